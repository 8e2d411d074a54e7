#include "picture_files.h"

#include <png.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace vantorel::testing {

void writePicture(const Image& image, const std::filesystem::path& path) {
  std::filesystem::create_directories(path.parent_path());
  png_image target{};
  target.version = PNG_IMAGE_VERSION;
  target.width = png_uint_32(image.width), target.height = png_uint_32(image.height);
  target.format = PNG_FORMAT_RGBA;  // 8-bit data goes out unchanged: no unpremultiplying
  if (!png_image_write_to_file(&target, path.c_str(), 0, image.pixels.data(), 0, nullptr))
    throw std::runtime_error("cannot write " + path.string() + ": " + target.message);
}

std::optional<Image> readPicture(const std::filesystem::path& path) {
  png_image source{};
  source.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&source, path.c_str())) return std::nullopt;
  source.format = PNG_FORMAT_RGBA;
  Image image(int(source.width), int(source.height), false);
  if (!png_image_finish_read(&source, nullptr, image.pixels.data(), 0, nullptr)) {
    png_image_free(&source);
    return std::nullopt;
  }
  return image;
}

Difference compare(const Image& actual, const Image& expected, int tolerance) {
  Difference d;
  d.map = Image(actual.width, actual.height, true);
  for (std::size_t i = 0; i + 3 < actual.pixels.size() && i + 3 < expected.pixels.size(); i += 4) {
    int worst = 0;
    for (std::size_t c = 0; c < 4; ++c) worst = std::max(worst, std::abs(int(actual.pixels[i + c]) - int(expected.pixels[i + c])));
    d.largest = std::max(d.largest, worst);
    const bool differs = worst > tolerance;
    if (differs) ++d.differing;
    for (std::size_t c = 0; c < 3; ++c) d.map.pixels[i + c] = differs ? 255 : std::uint8_t(worst * 8 > 255 ? 255 : worst * 8);
    d.map.pixels[i + 3] = 255;
  }
  return d;
}

}  // namespace vantorel::testing
