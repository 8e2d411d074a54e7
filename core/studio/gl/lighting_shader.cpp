// The surface's light, once per covered pixel from the attributes pass: Lambert diffuse with GGX
// specular (correlated Smith visibility, Schlick Fresnel) and a clear-coat lobe, lit by three
// directional lights, the ambient light and the image light of the environment (irradiance from
// spherical harmonics, reflections from the environment's mip chain), then tone mapped. The light
// that comes from all around (ambient, environment, the broad fill) is shaded by the vertex's
// baked occlusion; the key has its shadow and the rim grazes the silhouette.
#include "studio/gl/shaders.h"

namespace vantorel::gl::shaders {

const char* const surfaceLighting = R"glsl(
out vec4 fragColor;
uniform usampler2D uAttributes;
// The view ray through a pixel, a unit along the camera's axis: forward + x · right + y · up for
// its x, y in −1 … 1.
uniform vec3 uRayForward;
uniform vec3 uRayRight;
uniform vec3 uRayUp;
const int kFinishes = 16;
uniform float uRoughness[kFinishes];
uniform float uMetalness[kFinishes];
uniform float uClearCoat[kFinishes];
uniform float uClearCoatRoughness[kFinishes];
uniform vec3 uCameraPosition;

uniform vec3 uLightDirection[3];   // towards the key, fill and rim lights
uniform vec3 uLightColor[3];       // linear colour × strength
uniform vec3 uAmbient;
uniform vec3 uIrradiance[9];       // spherical-harmonic irradiance of the environment, × its intensity
uniform sampler2D uEnvironment;    // linear equirectangular environment with mips
uniform float uEnvironmentIntensity;
uniform float uEnvironmentLods;
uniform float uSurfaceBias;        // shadow depth bias on the model
uniform float uNormalOffset;       // mm moved along the normal before the shadow lookup
uniform float uExposure;

const float PI = 3.14159265;

vec3 irradiance(vec3 n) {
  return uIrradiance[0]
       + uIrradiance[1] * n.y + uIrradiance[2] * n.z + uIrradiance[3] * n.x
       + uIrradiance[4] * (n.x * n.y) + uIrradiance[5] * (n.y * n.z)
       + uIrradiance[6] * (3.0 * n.z * n.z - 1.0) + uIrradiance[7] * (n.x * n.z)
       + uIrradiance[8] * (n.x * n.x - n.y * n.y);
}

vec2 equirect(vec3 d) {
  return vec2(0.5 + atan(d.x, d.z) / (2.0 * PI), 0.5 - asin(clamp(d.y, -1.0, 1.0)) / PI);
}

vec3 environment(vec3 d, float roughness) {
  return textureLod(uEnvironment, equirect(d), roughness * uEnvironmentLods).rgb * uEnvironmentIntensity;
}

// Split-sum environment BRDF, analytic fit (Karis, "Physically Based Shading on Mobile").
vec3 environmentBRDF(vec3 f0, float roughness, float nv) {
  const vec4 c0 = vec4(-1.0, -0.0275, -0.572, 0.022);
  const vec4 c1 = vec4(1.0, 0.0425, 1.04, -0.04);
  vec4 r = roughness * c0 + c1;
  float a004 = min(r.x * r.x, exp2(-9.28 * nv)) * r.x + r.y;
  vec2 ab = vec2(-1.04, 1.04) * a004 + r.zw;
  return f0 * ab.x + ab.y;
}

float ggx(float nh, float a) {
  float a2 = a * a;
  float d = nh * nh * (a2 - 1.0) + 1.0;
  return a2 / (PI * d * d);
}

// Occlusion with the light that bounces between the occluding surfaces again, which a light
// colour returns more of (Jimenez et al., "Practical Real-Time Strategies for Accurate Indirect
// Occlusion", fit for a white surrounding).
vec3 bouncedOcclusion(float visible, vec3 albedo) {
  vec3 a = 2.0404 * albedo - 0.3324;
  vec3 b = -4.7951 * albedo + 0.6417;
  vec3 c = 2.7552 * albedo + 0.6903;
  return max(vec3(visible), ((visible * a + b) * visible + c) * visible);
}

// The share of a reflection's lobe that leaves past the occluders: a sharp lobe towards the
// viewer escapes a crevice that darkens its diffuse light (Lagarde and de Rousiers, "Moving
// Frostbite to PBR").
float specularOcclusion(float nv, float visible, float roughness) {
  return clamp(pow(nv + visible, exp2(-16.0 * roughness - 1.0)) - 1.0 + visible, 0.0, 1.0);
}

float smithCorrelated(float nv, float nl, float a) {
  float a2 = a * a;
  float v = nl * sqrt(nv * nv * (1.0 - a2) + a2);
  float l = nv * sqrt(nl * nl * (1.0 - a2) + a2);
  return 0.5 / max(v + l, 1e-5);
}

void main() {
  uvec4 attributes = texelFetch(uAttributes, ivec2(gl_FragCoord.xy), 0);
  vec2 xy = gl_FragCoord.xy / vec2(textureSize(uAttributes, 0)) * 2.0 - 1.0;
  vec3 ray = uRayForward + xy.x * uRayRight + xy.y * uRayUp;
  vec3 world = uCameraPosition + ray * depthOf(attributes);
  vec3 v = -normalize(ray);
  vec3 n = shadingNormalOf(attributes);
  vec3 base = decodeSRGB(baseColourOf(attributes));
  int finish = min(finishOf(attributes), kFinishes - 1);

  float roughness = clamp(uRoughness[finish], 0.045, 1.0);
  float metalness = uMetalness[finish];
  float a = roughness * roughness;
  vec3 f0 = mix(vec3(0.04), base, metalness);
  vec3 diffuseColor = base * (1.0 - metalness);
  float nv = max(dot(n, v), 1e-4);
  float visible = occlusionOf(attributes);
  vec3 diffuseOcclusion = bouncedOcclusion(visible, diffuseColor);
  float reflectionOcclusion = specularOcclusion(nv, visible, roughness);

#ifdef HAS_SHADOW
  float shadow = keyVisibility(world + normalize(faceNormalOf(attributes)) * uNormalOffset, 0.5, uSurfaceBias);
#else
  float shadow = 1.0;
#endif
#ifdef HAS_CLEAR_COAT
  float clearCoat = uClearCoat[finish];
  float clearCoatRoughness = uClearCoatRoughness[finish];
  float ac = clearCoatRoughness * clearCoatRoughness;
#endif

  vec3 light = vec3(0.0);
  for (int i = 0; i < 3; ++i) {
    vec3 l = uLightDirection[i];
    float nl = max(dot(n, l), 0.0);
    vec3 h = normalize(l + v);
    float nh = max(dot(n, h), 0.0);
    float vh = max(dot(v, h), 0.0);
    float m = 1.0 - vh;
    float m5 = (m * m) * (m * m) * m;
    vec3 f = f0 + (1.0 - f0) * m5;
    vec3 lobe = diffuseColor * (1.0 - f) / PI + f * (ggx(nh, a) * smithCorrelated(nv, nl, a));
#ifdef HAS_CLEAR_COAT
    float fc = clearCoat * (0.04 + 0.96 * m5);
    lobe = lobe * (1.0 - fc) + vec3(fc * ggx(nh, ac) * smithCorrelated(nv, nl, ac));
#endif
    vec3 reach = i == 0 ? vec3(shadow) : i == 1 ? diffuseOcclusion : vec3(1.0);
    light += lobe * uLightColor[i] * reach * (nl * PI);
  }

  vec3 r = reflect(-v, n);
  light += diffuseColor * (uAmbient + irradiance(n)) * diffuseOcclusion;
  light += environment(r, roughness) * environmentBRDF(f0, roughness, nv) * reflectionOcclusion;
#ifdef HAS_CLEAR_COAT
  float coat = clearCoat * (0.04 + 0.96 * pow(1.0 - nv, 5.0));
  light = light * (1.0 - coat) + environment(r, clearCoatRoughness) * coat * specularOcclusion(nv, visible, clearCoatRoughness);
#endif

  fragColor = vec4(encodeSRGB(pbrNeutral(light * uExposure)), 1.0);
}
)glsl";

}  // namespace vantorel::gl::shaders
