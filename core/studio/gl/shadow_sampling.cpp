// Percentage-closer filtering of the key's shadow map with hardware-compare (bilinear) taps in a
// fixed spiral: 12 filtered lookups (on the model) give a smooth soft edge on the software rasteriser, where a
// dozen more taps would cost as much as the rest of the shading.
#include "studio/gl/shaders.h"

namespace vantorel::gl::shaders {

const char* const shadowSampling = R"glsl(
uniform sampler2DShadow uShadowMap;
uniform mat4 uLightViewProjection;
uniform int uShadowOn;
uniform float uShadowRadius;   // filter radius in shadow-map uv units

#ifndef SHADOW_TAPS
#define SHADOW_TAPS 12
#endif
const int kShadowTaps = SHADOW_TAPS;  // 12, 6, 4 or 3: every (12 / taps)-th point of the spiral
const vec2 kSpiral[12] = vec2[](
  vec2(0.2, 0.0), vec2(-0.27, 0.26), vec2(0.04, -0.45), vec2(0.41, 0.35),
  vec2(-0.6, -0.1), vec2(0.55, -0.42), vec2(-0.19, 0.71), vec2(-0.48, -0.63),
  vec2(0.86, 0.13), vec2(-0.84, 0.38), vec2(0.27, -0.89), vec2(0.42, 0.88));

// 1 where the key light reaches `worldPosition`, 0 in full shadow. `radiusScale` narrows the
// filter; `depthBias` is in the shadow map's depth units (0…1).
float keyVisibility(vec3 worldPosition, float radiusScale, float depthBias) {
  if (uShadowOn == 0) return 1.0;
  vec4 p = uLightViewProjection * vec4(worldPosition, 1.0);
  vec3 s = p.xyz / p.w * 0.5 + 0.5;
  if (s.x <= 0.0 || s.x >= 1.0 || s.y <= 0.0 || s.y >= 1.0 || s.z >= 1.0) return 1.0;
  float r = uShadowRadius * radiusScale;
  float sum = 0.0;
  for (int i = 0; i < 12; i += 12 / kShadowTaps) {
    sum += texture(uShadowMap, vec3(s.xy + kSpiral[i] * r, s.z - depthBias));
  }
  return sum / float(kShadowTaps);
}
)glsl";

}  // namespace vantorel::gl::shaders
