#include "output/export_size.h"

#include <cmath>

namespace vantorel {

PixelSize ExportSize::pixels(Aspect aspect, std::int64_t shortSide) {
  const double s = double(shortSide);
  const auto even = [](double side) {
    const auto rounded = std::int64_t(std::llround(side));
    return rounded - rounded % 2;
  };
  return {even(widthFactor(aspect) * s), even(heightFactor(aspect) * s)};
}

PixelSize ExportSize::pixels(Aspect aspect, Resolution resolution) { return pixels(aspect, rawValue(resolution)); }

float Turntable::angle(std::int64_t frame, std::int64_t frameCount, bool clockwise) {
  float a = float(frame) * 6.283185f;
  if (frameCount >= 1) a = a / float(frameCount);
  return clockwise ? -a : a;
}

}  // namespace vantorel
