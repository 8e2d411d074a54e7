// From scene light to 8-bit sRGB: the Khronos PBR Neutral curve's highlight roll-off keeps base
// colours as they are up to about 0.76 and takes brighter light towards white without shifting hue,
// so a filament swatch lit by the key reads as the swatch. Its toe is left out: it takes up to 0.04
// off every channel, which nearly empties the smallest channel of a saturated filament, so shaded
// sides came out darker and more saturated than a photograph of the same scene.
#include "studio/gl/shaders.h"

namespace vantorel::gl::shaders {

const char* const toneMapping = R"glsl(
vec3 pbrNeutral(vec3 color) {
  const float startCompression = 0.8 - 0.04;
  const float desaturation = 0.15;
  float peak = max(color.r, max(color.g, color.b));
  if (peak < startCompression) return color;
  const float d = 1.0 - startCompression;
  float newPeak = 1.0 - d * d / (peak + d - startCompression);
  color *= newPeak / peak;
  float g = 1.0 - 1.0 / (desaturation * (peak - newPeak) + 1.0);
  return mix(color, vec3(newPeak), g);
}

vec3 encodeSRGB(vec3 linear) {
  linear = clamp(linear, 0.0, 1.0);
  vec3 low = linear * 12.92;
  vec3 high = 1.055 * pow(linear, vec3(1.0 / 2.4)) - 0.055;
  return mix(low, high, step(vec3(0.0031308), linear));
}

vec3 decodeSRGB(vec3 encoded) {
  vec3 low = encoded / 12.92;
  vec3 high = pow((encoded + 0.055) / 1.055, vec3(2.4));
  return mix(low, high, step(vec3(0.04045), encoded));
}
)glsl";

}  // namespace vantorel::gl::shaders
