// The model's and the scale reference's surface, drawn in three steps so that the costly lighting
// runs once per pixel. The software rasteriser shades whole 4 × 4 blocks for every triangle that
// touches them, so a model of small triangles had each pixel shaded about four times over.
// 1. Attributes: one sample per pixel, the front surface's shading normal (with the printed layer
//    lines), depth, outward face normal, base colour and finish.
// 2. Lighting (lighting_shader.cpp): a pass over the covered pixels only.
// 3. Placement: the multisampled picture takes each sample's colour from its pixel's lighting, so
//    silhouettes keep their 4× anti-aliasing. A sample whose pixel centre lies elsewhere (off the
//    surface, across a crease or a step in depth) takes the mean of the lit pixels around it.
#include "studio/gl/shaders.h"

namespace vantorel::gl::shaders {

const char* const surfaceVertex = R"glsl(#version 410 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aUV;
layout(location = 3) in float aOcclusion;
uniform mat4 uModel;
uniform float uUnitScale;  // scene units per mm, applied before the model's rigid transform
uniform mat4 uViewProjection;
out vec3 vWorld;
out vec3 vNormal;
out float vBuildZ;
out vec2 vUV;
out float vOcclusion;
void main() {
  vec4 world = uModel * vec4(aPosition * uUnitScale, 1.0);
  vWorld = world.xyz;
  // The model transforms are rotations and translations only, so they turn normals unchanged.
  vNormal = mat3(uModel) * aNormal;
  vBuildZ = aPosition.z;
  vUV = aUV;
  vOcclusion = aOcclusion;
  gl_Position = uViewProjection * world;
}
)glsl";

const char* const attributePacking = R"glsl(
// A pixel's surface in four 32-bit words: the shading normal (octahedral, 16 bits a coordinate);
// the face normal (8 bits a component, enough to steer the shadow lookup and to tell surfaces
// apart) and the finish index (8 bits); the depth along the camera's axis (a float's bits); the
// base colour in 8-bit sRGB, as the swatches and the ruler's picture are given, with the share of
// its surroundings the surface sees in the top 8 bits (finer than the bake's own steps).
vec2 octahedral(vec3 n) {
  n /= abs(n.x) + abs(n.y) + abs(n.z);
  vec2 e = n.z >= 0.0 ? n.xy : (1.0 - abs(n.yx)) * vec2(n.x >= 0.0 ? 1.0 : -1.0, n.y >= 0.0 ? 1.0 : -1.0);
  return clamp(e * 0.5 + 0.5, 0.0, 1.0);
}

vec3 fromOctahedral(vec2 q) {
  vec2 e = q * 2.0 - 1.0;
  vec3 n = vec3(e, 1.0 - abs(e.x) - abs(e.y));
  if (n.z < 0.0) n.xy = (1.0 - abs(n.yx)) * vec2(n.x >= 0.0 ? 1.0 : -1.0, n.y >= 0.0 ? 1.0 : -1.0);
  return normalize(n);
}

uvec4 packAttributes(vec3 shadingNormal, vec3 faceNormal, int finish, float depth, vec3 srgb, float occlusion) {
  uvec2 s = uvec2(octahedral(shadingNormal) * 65535.0 + 0.5);
  uvec3 f = uvec3(clamp(faceNormal * 0.5 + 0.5, 0.0, 1.0) * 255.0 + 0.5);
  uvec3 c = uvec3(clamp(srgb, 0.0, 1.0) * 255.0 + 0.5);
  uint o = uint(clamp(occlusion, 0.0, 1.0) * 255.0 + 0.5);
  return uvec4((s.x << 16) | s.y, (f.x << 24) | (f.y << 16) | (f.z << 8) | uint(finish), floatBitsToUint(depth),
               (o << 24) | (c.r << 16) | (c.g << 8) | c.b);
}

vec3 shadingNormalOf(uvec4 a) { return fromOctahedral(vec2(a.x >> 16, a.x & 0xffffu) / 65535.0); }
vec3 faceNormalOf(uvec4 a) { return vec3((uvec3(a.y) >> uvec3(24, 16, 8)) & 0xffu) / 127.5 - 1.0; }  // nearly unit
int finishOf(uvec4 a) { return int(a.y & 0xffu); }
float depthOf(uvec4 a) { return uintBitsToFloat(a.z); }
vec3 baseColourOf(uvec4 a) { return vec3((uvec3(a.w) >> uvec3(16, 8, 0)) & 0xffu) / 255.0; }
float occlusionOf(uvec4 a) { return float(a.w >> 24) / 255.0; }  // 1: the surroundings all in view
)glsl";

const char* const surfaceAttributes = R"glsl(
in vec3 vWorld;
in vec3 vNormal;
in float vBuildZ;
in vec2 vUV;
in float vOcclusion;
layout(location = 0) out uvec4 gAttributes;
uniform vec3 uSwatch;           // sRGB
uniform sampler2D uAlbedoMap;   // sRGB texture, decoded by the sampler
uniform int uFinish;
uniform float uLayerHeight;     // mm; 0 for no layer lines
uniform float uLayerStrength;
uniform vec3 uBuildAxis;        // the file's +Z in the world

void main() {
  vec3 n = normalize(vNormal);
  if (!gl_FrontFacing) n = -n;
  vec3 face = n;
#ifdef HAS_LAYER_LINES
  float cycles = vBuildZ / uLayerHeight;
  // Fade lines narrower than about two pixels, where they would turn into moiré.
  float fade = 1.0 - smoothstep(0.3, 0.55, fwidth(cycles));
  float ripple = sin(fract(cycles) * 6.2831853);
  float side = 1.0 - abs(dot(n, uBuildAxis));
  n = normalize(n + uBuildAxis * ripple * uLayerStrength * side * fade);
  // The groove between two layers sees less of the room than the rounded layer itself. With the
  // bright sweep lighting the model from below as well as the lamps from above, the tilted normals
  // alone hardly change the light any more, so the grooves also take some of it away.
  // A layer hundreds of pixels tall is no line at all (a model smaller than one layer would turn
  // into one big groove), so the grooves fade out there too.
  float groove = (0.5 + 0.5 * cos(fract(cycles) * 6.2831853)) * smoothstep(0.0005, 0.002, fwidth(cycles));
  float occlusion = vOcclusion * (1.0 - 0.6 * uLayerStrength * side * fade * groove);
  float cavity = 1.0 - 0.4 * uLayerStrength * side * fade * groove;
#else
  float occlusion = vOcclusion;
#endif
#ifdef HAS_ALBEDO_MAP
  vec3 albedo = texture(uAlbedoMap, vUV).rgb;
#ifdef HAS_LAYER_LINES
  albedo *= cavity;
#endif
  vec3 srgb = encodeSRGB(albedo);
#elif defined(HAS_LAYER_LINES)
  vec3 srgb = encodeSRGB(decodeSRGB(uSwatch) * cavity);
#else
  vec3 srgb = uSwatch;
#endif
  gAttributes = packAttributes(n, face, uFinish, 1.0 / gl_FragCoord.w, srgb, occlusion);
}
)glsl";

const char* const surfacePlacement = R"glsl(
in vec3 vNormal;
uniform sampler2D uLit;           // premultiplied: alpha 1 on lit pixels, 0 elsewhere
uniform usampler2D uAttributes;
uniform vec3 uSwatch;             // sRGB colour of the part, for a sliver with no lit pixel near
out vec4 fragColor;
void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  vec4 own = texelFetch(uLit, p, 0);
  uvec4 centre = texelFetch(uAttributes, p, 0);
  vec3 n = normalize(vNormal);
  if (!gl_FrontFacing) n = -n;
  float depth = 1.0 / gl_FragCoord.w;
  // The pixel's light is this sample's when its centre lies on the same stretch of surface; on a
  // silhouette, a crease or a step in depth the sample takes the mean of the lit pixels around.
  bool same = own.a > 0.5 && dot(n, faceNormalOf(centre)) > 0.9 && abs(depthOf(centre) - depth) < 0.02 * depth;
  // Two bilinear lookups at opposite corners of the pixel average the 2 × 2 blocks around them.
  vec2 texel = 1.0 / vec2(textureSize(uLit, 0));
  vec4 around = texture(uLit, floor(gl_FragCoord.xy) * texel) + texture(uLit, (floor(gl_FragCoord.xy) + 1.0) * texel);
  vec3 colour = same ? own.rgb : around.a > 0.1 ? around.rgb / around.a : uSwatch;
  fragColor = vec4(colour, 1.0);
  // Written depth is tested after shading, and then the software rasteriser skips the empty
  // halves of partly covered 4 × 4 blocks instead of shading them. The pixel centre's depth for
  // every sample costs nothing visible: the colour is the pixel's already.
  gl_FragDepth = gl_FragCoord.z;
}
)glsl";

}  // namespace vantorel::gl::shaders
