#include "picture_files.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

namespace vantorel::testing {

void writePicture(const Image& image, const std::filesystem::path& path) {
  std::filesystem::create_directories(path.parent_path());
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) throw std::runtime_error("cannot write " + path.string());
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("cannot encode " + path.string());
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) png_write_row(png, image.row(y));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
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
  bool opaque = true;
  for (std::size_t i = 3; i < image.pixels.size(); i += 4) opaque = opaque && image.pixels[i] == 255;
  image.opaque = opaque;
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
