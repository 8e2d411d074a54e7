#include "output/png_writer.h"

#include "output/export_error.h"
#include "output/safe_file.h"

#include <png.h>

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace vantorel {
namespace {

void appendBytes(png_structp png, png_bytep data, std::size_t length) {
  auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
  bool ok = true;
  try {
    out->insert(out->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) png_error(png, "out of memory");  // outside the catch: libpng leaves by longjmp
}
void flushNothing(png_structp) {}
[[noreturn]] void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

// libpng reports failures by longjmp, so this function keeps only trivially destructible locals
// and the caller owns every buffer.
bool encode(int width, int height, bool alpha, png_bytepp rows, std::vector<unsigned char>* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_set_write_fn(png, out, appendBytes, flushNothing);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// PNG stores straight alpha; ours is premultiplied. Opaque pictures lose the alpha byte instead.
std::vector<unsigned char> filePixels(const Image& image) {
  const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
  const unsigned char* in = image.pixels.data();
  std::vector<unsigned char> out(count * (image.opaque ? 3 : 4));
  unsigned char* o = out.data();
  if (image.opaque) {
    for (std::size_t i = 0; i < count; ++i, in += 4, o += 3) {
      o[0] = in[0];
      o[1] = in[1];
      o[2] = in[2];
    }
    return out;
  }
  for (std::size_t i = 0; i < count; ++i, in += 4, o += 4) {
    const unsigned a = in[3];
    for (int c = 0; c < 3; ++c) o[c] = a == 0 ? 0 : std::uint8_t(std::min(255u, (in[c] * 255u + a / 2) / a));
    o[3] = std::uint8_t(a);
  }
  return out;
}

}  // namespace

void PNGWriter::write(const Image& image, const std::filesystem::path& destination, bool replacing) {
  const std::string name = destination.filename().string();
  // The system's own words say why (a full disk, no permission), with the file they concern.
  const auto failed = [&](const std::system_error& error) {
    return ExportError::image(error.code().message() + " (" + name + ")");
  };
  const bool consistent = image.width > 0 && image.height > 0 &&
                          image.pixels.size() == std::size_t(image.width) * std::size_t(image.height) * 4;
  if (!consistent) throw ExportError::image(name + " couldn't be created");
  std::optional<SafeFile> file;
  try {
    file.emplace(destination, replacing);
  } catch (const std::system_error& error) {
    throw failed(error);
  }

  std::vector<unsigned char> pixels = filePixels(image);
  const std::size_t rowBytes = std::size_t(image.width) * (image.opaque ? 3 : 4);
  std::vector<png_bytep> rows(std::size_t(image.height));
  for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = pixels.data() + y * rowBytes;
  std::vector<unsigned char> encoded;
  encoded.reserve(pixels.size() / 2);
  if (!encode(image.width, image.height, !image.opaque, rows.data(), &encoded)) {
    throw ExportError::image(name + " couldn't be finished");
  }
  try {
    file->write(encoded);
    file->finish();
  } catch (const std::system_error& error) {
    throw failed(error);
  }
  file->commit();
}

}  // namespace vantorel
