#pragma once
// PNG files and picture comparison for the studio's tests and reference tools.
#include "base/image.h"

#include <filesystem>
#include <optional>
#include <string>

namespace vantorel::testing {

/// Writes `image` as RGBA PNG, keeping premultiplied pixels as they are (so a round trip is exact).
void writePicture(const Image& image, const std::filesystem::path& path);
/// Reads a PNG written by writePicture; nothing when the file is missing or unreadable.
std::optional<Image> readPicture(const std::filesystem::path& path);

struct Difference {
  std::size_t differing = 0;  ///< pixels with a channel differing by more than the tolerance
  int largest = 0;            ///< largest channel difference
  Image map;                  ///< white where the pixels differ, black elsewhere
};
/// Compares two pictures of equal size channel by channel.
Difference compare(const Image& actual, const Image& expected, int tolerance);

}  // namespace vantorel::testing
