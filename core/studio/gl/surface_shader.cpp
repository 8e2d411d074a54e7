// The model's and the scale reference's surface: Lambert diffuse with GGX specular (correlated
// Smith visibility, Schlick Fresnel) and a clear-coat lobe, lit by three directional lights, the
// ambient light and the image light of the environment (irradiance from spherical harmonics,
// reflections from the environment's mip chain), with printed layer lines as a normal tilt.
#include "studio/gl/shaders.h"

namespace vantorel::gl::shaders {

const char* const surfaceVertex = R"glsl(#version 410 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aUV;
uniform mat4 uModel;
uniform mat4 uViewProjection;
out vec3 vWorld;
out vec3 vNormal;
out float vBuildZ;
out vec2 vUV;
void main() {
  vec4 world = uModel * vec4(aPosition, 1.0);
  vWorld = world.xyz;
  // The model transforms are rotations and translations only, so they turn normals unchanged.
  vNormal = mat3(uModel) * aNormal;
  vBuildZ = aPosition.z;
  vUV = aUV;
  gl_Position = uViewProjection * world;
}
)glsl";

const char* const surfaceFragmentHead = R"glsl(#version 410 core
in vec3 vWorld;
in vec3 vNormal;
in float vBuildZ;
in vec2 vUV;
out vec4 fragColor;
)glsl";

const char* const surfaceFragment = R"glsl(
uniform vec3 uCameraPosition;
uniform vec3 uBaseColor;        // linear
uniform float uRoughness;
uniform float uMetalness;
uniform float uClearCoat;
uniform float uClearCoatRoughness;
uniform int uUseAlbedoMap;
uniform sampler2D uAlbedoMap;   // sRGB texture, decoded by the sampler
uniform float uLayerHeight;     // mm; 0 for no layer lines
uniform float uLayerStrength;
uniform vec3 uBuildAxis;        // the file's +Z in the world

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

float smithCorrelated(float nv, float nl, float a) {
  float a2 = a * a;
  float v = nl * sqrt(nv * nv * (1.0 - a2) + a2);
  float l = nv * sqrt(nl * nl * (1.0 - a2) + a2);
  return 0.5 / max(v + l, 1e-5);
}

vec3 schlick(vec3 f0, float vh) {
  return f0 + (1.0 - f0) * pow(1.0 - vh, 5.0);
}

void main() {
  vec3 n = normalize(vNormal);
  if (!gl_FrontFacing) n = -n;
  vec3 geometric = n;
  vec3 v = normalize(uCameraPosition - vWorld);

  if (uLayerHeight > 0.0) {
    float cycles = vBuildZ / uLayerHeight;
    // Fade lines narrower than about two pixels, where they would turn into moiré.
    float fade = 1.0 - smoothstep(0.3, 0.55, fwidth(cycles));
    float ripple = sin(fract(cycles) * 6.2831853);
    float side = 1.0 - abs(dot(n, uBuildAxis));
    n = normalize(n + uBuildAxis * ripple * uLayerStrength * side * fade);
  }

  vec3 base = uBaseColor;
  if (uUseAlbedoMap != 0) base = texture(uAlbedoMap, vUV).rgb;
  float roughness = clamp(uRoughness, 0.045, 1.0);
  float a = roughness * roughness;
  float ac = uClearCoatRoughness * uClearCoatRoughness;
  vec3 f0 = mix(vec3(0.04), base, uMetalness);
  vec3 diffuseColor = base * (1.0 - uMetalness);
  float nv = max(dot(n, v), 1e-4);

  float shadow = keyVisibility(vWorld + geometric * uNormalOffset, 0.5, uSurfaceBias);

  vec3 light = vec3(0.0);
  for (int i = 0; i < 3; ++i) {
    vec3 l = uLightDirection[i];
    float nl = dot(n, l);
    if (nl <= 0.0) continue;
    vec3 h = normalize(l + v);
    float nh = max(dot(n, h), 0.0);
    float vh = max(dot(v, h), 0.0);
    vec3 f = schlick(f0, vh);
    vec3 specular = f * ggx(nh, a) * smithCorrelated(nv, nl, a);
    vec3 lobe = diffuseColor * (1.0 - f) / PI + specular;
    float fc = uClearCoat * (0.04 + 0.96 * pow(1.0 - vh, 5.0));
    vec3 coat = vec3(fc * ggx(nh, ac) * smithCorrelated(nv, nl, ac));
    vec3 radiance = uLightColor[i] * (i == 0 ? shadow : 1.0);
    light += (lobe * (1.0 - fc) + coat) * radiance * nl * PI;
  }

  vec3 r = reflect(-v, n);
  light += diffuseColor * (uAmbient + irradiance(n));
  light += environment(r, roughness) * environmentBRDF(f0, roughness, nv);
  if (uClearCoat > 0.0) {
    float fc = uClearCoat * (0.04 + 0.96 * pow(1.0 - nv, 5.0));
    light = light * (1.0 - fc) + environment(r, uClearCoatRoughness) * fc;
  }

  fragColor = vec4(encodeSRGB(pbrNeutral(light * uExposure)), 1.0);
}
)glsl";

}  // namespace vantorel::gl::shaders
