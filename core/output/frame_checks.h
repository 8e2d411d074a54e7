#pragma once
// Small rules the video and GIF writers share. Internal to the output library.
#include "base/image.h"

#include <cstddef>
#include <cstdint>

namespace vantorel {

/// Frames waiting between the drawing thread and the encoder thread: enough to absorb uneven
/// frame times, few enough that memory stays flat (at 1080 × 1080 each frame is 4.7 MB).
inline constexpr std::size_t kFrameQueueDepth = 2;

/// A picture a writer can encode: a positive size and exactly width × height × 4 bytes.
inline bool isDrawable(const Image& image) {
  return image.width > 0 && image.height > 0 &&
         image.pixels.size() == std::size_t(image.width) * std::size_t(image.height) * 4;
}

/// Puts a premultiplied picture on opaque white in place (c + 255 − a) and marks it opaque; moving
/// pictures have no transparency. Opaque pictures are left as they are.
void drawOnWhite(Image& image);

/// `image` resampled to width × height (bicubic on premultiplied pixels), or moved through
/// unchanged when it already has that size. Throws std::bad_alloc.
Image resized(Image&& image, int width, int height);

}  // namespace vantorel
