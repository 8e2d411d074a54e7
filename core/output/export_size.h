#pragma once
// Picture sizes and turntable angles: the two rules every export shares.
#include "output/output_choices.h"
#include "output/pixel_size.h"

#include <cstdint>

namespace vantorel {

namespace ExportSize {

/// The size of `aspect` at a short side of `shortSide` pixels: each side rounded to the nearest
/// integer (halves away from zero), then made even by dropping its remainder on division by 2,
/// so landscape43 at 2000 is 2666 × 2000 and wide169 at 600 is 1066 × 600. Short sides come from
/// the offered resolutions and decoded specs, far inside the range where the product is exact.
PixelSize pixels(Aspect aspect, std::int64_t shortSide);
/// The same with the resolution's short side.
PixelSize pixels(Aspect aspect, Resolution resolution);

}  // namespace ExportSize

namespace Turntable {

/// The turn of frame `frame` of `frameCount` in radians, single precision: frame × 6.283185 ÷
/// frameCount (no division when frameCount < 1), negated when `clockwise`. The last frame stops one
/// step short of a full turn, so a looped sequence never shows a doubled frame.
float angle(std::int64_t frame, std::int64_t frameCount, bool clockwise);

}  // namespace Turntable
}  // namespace vantorel
