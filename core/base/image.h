#pragma once
// A finished picture: what the studio renders and every writer takes.
#include "base/huge_page_allocator.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantorel {

/// 8-bit sRGB pixels with premultiplied alpha, rows from top to bottom, 4 bytes per pixel (R, G, B, A).
/// `opaque` promises alpha 255 everywhere (writers may then drop the alpha channel).
struct Image {
  int width = 0;
  int height = 0;
  bool opaque = true;
  /// width × height × 4 bytes. A turntable makes a fresh picture a frame, and a large one on huge
  /// pages costs far fewer page faults on first touch.
  std::vector<std::uint8_t, HugePageAllocator<std::uint8_t>> pixels;

  Image() = default;
  Image(int w, int h, bool isOpaque)
      : width(w), height(h), opaque(isOpaque), pixels(std::size_t(w) * std::size_t(h) * 4, 0) {}

  std::size_t stride() const { return std::size_t(width) * 4; }
  std::uint8_t* row(int y) { return pixels.data() + std::size_t(y) * stride(); }
  const std::uint8_t* row(int y) const { return pixels.data() + std::size_t(y) * stride(); }

  bool operator==(const Image&) const = default;
};

}  // namespace vantorel
