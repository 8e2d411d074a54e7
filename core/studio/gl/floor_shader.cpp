// The floor draws nothing but the shadows on it, as a darkening in the room's colour: premultiplied
// colour and alpha, so a transparent picture keeps its shadow. A photograph's shadow is sharp where
// the model touches the floor and broadens with the distance between the floor and what blocks the
// light, so the mask keeps each floor point's blocker distance beside its occlusion, is blurred at
// three widths (each on a grid matched to its width, so the broad ones cost little), and every floor
// pixel mixes the widths its blockers' distance asks for. The light the room gives a floor point
// under the model's lowest surfaces is taken away too: a contact shade from the model seen from below.
#include "studio/gl/shaders.h"

namespace vantorel::gl::shaders {

const char* const floorVertex = R"glsl(#version 410 core
layout(location = 0) in vec3 aPosition;
uniform mat4 uViewProjection;
out vec3 vWorld;
void main() {
  vWorld = aPosition;
  gl_Position = uViewProjection * vec4(aPosition, 1.0);
}
)glsl";

const char* const floorFragment = R"glsl(#version 410 core
in vec3 vWorld;
out vec4 fragColor;
uniform sampler2D uSharp, uMiddle, uBroad;  // the mask blurred at the three widths
uniform vec4 uMaskRect;     // min x, min z, width, depth of the mask on the floor (mm)
uniform vec3 uWidths;       // the three blurs' standard deviations (mm)
uniform vec2 uPenumbra;     // the blur at the contact (mm), its growth per unit of stored distance
uniform float uShadowOpacity;
uniform float uFade;        // how much of the shadow the room fills in at the largest stored distance
uniform float uContact;     // half the contact shade's strength
uniform vec3 uShadowColour; // sRGB
void main() {
  vec2 uv = (vWorld.xz - uMaskRect.xy) / uMaskRect.zw;
  vec4 sharp = texture(uSharp, uv), middle = texture(uMiddle, uv), broad = texture(uBroad, uv);
  // The finest level that sees a blocker knows its distance best; outside every umbra the broad
  // one still does, where the penumbra reaches beyond the sharp levels.
  float blocked = 16.0 * sharp.r + 4.0 * middle.r + broad.r;
  float distance = (16.0 * sharp.g + 4.0 * middle.g + broad.g) / max(blocked, 1e-3);
  float width = uPenumbra.x + uPenumbra.y * distance;
  float occlusion = width < uWidths.y
      ? mix(sharp.r, middle.r, clamp((width - uWidths.x) / (uWidths.y - uWidths.x), 0.0, 1.0))
      : mix(middle.r, broad.r, clamp((width - uWidths.y) / (uWidths.z - uWidths.y), 0.0, 1.0));
  float shadow = uShadowOpacity * occlusion * (1.0 - uFade * distance);
  // A thin dark line where the model meets the floor, in a wider shade the room's light misses.
  float alpha = 1.0 - (1.0 - shadow) * (1.0 - uContact * (middle.b + broad.b));
  fragColor = vec4(uShadowColour * alpha, alpha);
}
)glsl";

const char* const maskVertex = R"glsl(#version 410 core
out vec2 vUV;
void main() {
  // One triangle over the whole target.
  vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
  vUV = corner;
  gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
)glsl";

const char* const maskFragmentHead = R"glsl(#version 410 core
in vec2 vUV;
out vec4 fragColor;
uniform vec4 uMaskRect;
uniform float uFloorHeight;
uniform sampler2D uKeyDepth;      // the key's depth map, read as depths
uniform mat4 uLightViewProjection;
uniform float uFloorBias;         // in the key map's depth units
uniform float uKeyDepthSpan;      // mm per unit of the key map's depth
uniform float uDistanceUnit;      // the blocker distance stored as 1 (mm)
uniform sampler2D uBelowDepth;    // the model seen from under the floor
uniform mat4 uBelowViewProjection;
uniform vec3 uBelow;              // that view's near plane and depth span below the floor, and the contact's reach (mm)
uniform float uBelowStep;         // the contact's reach in that view's texture coordinates
uniform int uContactOn;           // the sharpest level leaves the contact to the others
)glsl";

const char* const maskFragment = R"glsl(
void main() {
  vec3 world = vec3(uMaskRect.x + vUV.x * uMaskRect.z, uFloorHeight, uMaskRect.y + vUV.y * uMaskRect.w);
  // Occlusion as a bilinear compare would give it, from the four depths it would read, and the
  // mean distance from the floor to the blockers among them, along the light.
  float occlusion = 0.0, distance = 0.0;
  vec4 p = uLightViewProjection * vec4(world, 1.0);
  vec3 s = p.xyz / p.w * 0.5 + 0.5;
  if (s.x > 0.0 && s.x < 1.0 && s.y > 0.0 && s.y < 1.0 && s.z < 1.0) {
    vec4 depths = textureGather(uKeyDepth, s.xy);
    vec2 f = fract(s.xy * vec2(textureSize(uKeyDepth, 0)) - 0.5);
    vec4 weights = vec4((1.0 - f.x) * f.y, f.x * f.y, f.x * (1.0 - f.y), (1.0 - f.x) * (1.0 - f.y));
    float reference = s.z - uFloorBias;
    vec4 blocked = weights * vec4(lessThan(depths, vec4(reference)));
    occlusion = dot(blocked, vec4(1.0));
    if (occlusion > 0.0) distance = dot(blocked, vec4(reference) - depths) / occlusion * uKeyDepthSpan;
  }
  // The lowest surface within the contact's reach around the point, so that a wall standing on the
  // floor shades the floor beside it, not only the floor under it.
  float lowest = 1.0;
  if (uContactOn != 0) {
    vec4 q = uBelowViewProjection * vec4(world, 1.0);
    vec2 b = q.xy / q.w * 0.5 + 0.5;
    lowest = texture(uBelowDepth, b).r;
    lowest = min(lowest, min(texture(uBelowDepth, b + vec2(uBelowStep, 0.0)).r, texture(uBelowDepth, b - vec2(uBelowStep, 0.0)).r));
    lowest = min(lowest, min(texture(uBelowDepth, b + vec2(0.0, uBelowStep)).r, texture(uBelowDepth, b - vec2(0.0, uBelowStep)).r));
  }
  float height = uBelow.x + lowest * uBelow.y - (uBelow.x + uBelow.y - uBelow.z);
  float contact = 1.0 - clamp(height / uBelow.z, 0.0, 1.0);
  fragColor = vec4(occlusion, occlusion * clamp(distance / uDistanceUnit, 0.0, 1.0), contact * contact, 1.0);
}
)glsl";

const char* const blurFragment = R"glsl(#version 410 core
in vec2 vUV;
out vec4 fragColor;
uniform sampler2D uSource;
uniform vec2 uStep;      // one texel along the blur direction
uniform float uSigma;    // in texels
void main() {
  // Pairs of taps merged into one bilinear lookup each.
  vec3 sum = texture(uSource, vUV).rgb;
  float weights = 1.0;
  float twoSigma2 = 2.0 * uSigma * uSigma;
  int reach = int(ceil(uSigma * 2.5));
  for (int i = 1; i <= reach; i += 2) {
    float w0 = exp(-float(i * i) / twoSigma2);
    float w1 = exp(-float((i + 1) * (i + 1)) / twoSigma2);
    float w = w0 + w1;
    float offset = float(i) + w1 / w;
    sum += w * (texture(uSource, vUV + uStep * offset).rgb + texture(uSource, vUV - uStep * offset).rgb);
    weights += 2.0 * w;
  }
  fragColor = vec4(sum / weights, 1.0);
}
)glsl";

}  // namespace vantorel::gl::shaders
