#pragma once
// Colour reduction for the animated GIF: one palette for the whole animation, and a mapper that
// re-quantises only the pixels that changed, so a still backdrop never shimmers. Internal to the
// output library.
#include "base/image.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vantorel {

using GIFColor = std::array<std::uint8_t, 3>;

/// At most 255 colours for `sample` (opaque pictures of any size; at least one), leaving one
/// index of the 256 free for "unchanged". Throws std::bad_alloc.
std::vector<GIFColor> gifPalette(std::span<const Image* const> sample);

/// The part of one animation frame that differs from what is shown so far.
struct GIFPatch {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<std::uint8_t> indices;  ///< width × height, row by row; `unchanged` where nothing changes
};

class GIFFrameMapper {
public:
  /// A screen of width × height showing nothing yet; `palette` holds 1 … 255 colours.
  GIFFrameMapper(int width, int height, std::vector<GIFColor> palette);

  /// The index that leaves the pixel below as it is (one past the palette's colours).
  std::uint8_t unchanged() const { return std::uint8_t(palette_.size()); }

  /// Maps `frame` (opaque, the screen's size) onto the palette with error diffusion, but only
  /// where a pixel differs from the colour it was last mapped from by more than a few levels:
  /// every other pixel keeps its index, so still areas stay identical from frame to frame.
  /// Returns the bounding box of the changed pixels (a 1 × 1 `unchanged` patch when none).
  GIFPatch next(const Image& frame);

private:
  std::uint8_t nearest(int r, int g, int b);

  int width_, height_;
  std::vector<GIFColor> palette_;
  bool first_ = true;
  std::vector<std::uint8_t> mappedFrom_;  // RGB per pixel: the source colour of the shown index
  std::vector<std::int16_t> cache_;       // nearest index per 6-bit-per-channel cell, −1 unknown
  std::vector<std::uint8_t> changed_;     // scratch mask
  std::vector<float> errors_;             // scratch: two rows of diffusion error, RGB
};

}  // namespace vantorel
