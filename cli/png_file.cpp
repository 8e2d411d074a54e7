#include "png_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace vantorel::cli {
namespace {

[[noreturn]] void onError(png_structp, png_const_charp message) { throw std::runtime_error(message); }
void onWarning(png_structp, png_const_charp) {}

struct WriteState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteState() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

void encode(const Image& image, std::FILE* file) {
  WriteState state;
  state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (!state.png) throw std::runtime_error("libpng could not start");
  state.info = png_create_info_struct(state.png);
  if (!state.info) throw std::runtime_error("libpng could not start");
  png_init_io(state.png, file);
  png_set_IHDR(state.png, state.info, png_uint_32(image.width), png_uint_32(image.height), 8,
               image.opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_sRGB_gAMA_and_cHRM(state.png, state.info, PNG_sRGB_INTENT_PERCEPTUAL);
  png_write_info(state.png, state.info);
  const int channels = image.opaque ? 3 : 4;
  std::vector<png_byte> row(std::size_t(image.width) * std::size_t(channels));
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* p = image.row(y);
    for (int x = 0; x < image.width; ++x, p += 4) {
      png_byte* out = &row[std::size_t(x) * std::size_t(channels)];
      const unsigned a = p[3];
      for (int c = 0; c < 3; ++c) {
        // Premultiplied to straight alpha, rounding to nearest.
        out[c] = image.opaque || a == 255 ? p[c] : a == 0 ? 0 : png_byte(std::min(255u, (p[c] * 255u + a / 2) / a));
      }
      if (!image.opaque) out[3] = png_byte(a);
    }
    png_write_row(state.png, row.data());
  }
  png_write_end(state.png, state.info);
}

}  // namespace

void writePNG(const Image& image, const std::filesystem::path& path) {
  if (image.width <= 0 || image.height <= 0) throw std::runtime_error("the picture is empty");
  std::filesystem::path temporary = path;
  temporary += ".partial";
  std::FILE* file = std::fopen(temporary.c_str(), "wbx");
  if (!file) throw std::system_error(errno, std::generic_category(), path.string());
  try {
    encode(image, file);
  } catch (...) {
    std::fclose(file);
    std::remove(temporary.c_str());
    throw;
  }
  if (std::fclose(file) != 0) {
    const int error = errno;
    std::remove(temporary.c_str());
    throw std::system_error(error, std::generic_category(), path.string());
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::remove(temporary.c_str());
    throw std::system_error(ec, path.string());
  }
}

}  // namespace vantorel::cli
