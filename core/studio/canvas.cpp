#include "studio/canvas.h"

#include <cstring>
#include <utility>

namespace vantorel::Canvas {

Bitmap::Bitmap(cairo_surface_t* surface, cairo_t* context, int width, int height, bool opaque)
    : surface_(surface), context_(context), width_(width), height_(height), opaque_(opaque) {}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : surface_(std::exchange(other.surface_, nullptr)),
      context_(std::exchange(other.context_, nullptr)),
      width_(other.width_),
      height_(other.height_),
      opaque_(other.opaque_) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    this->~Bitmap();
    new (this) Bitmap(std::move(other));
  }
  return *this;
}

Bitmap::~Bitmap() {
  if (context_) cairo_destroy(context_);
  if (surface_) cairo_surface_destroy(surface_);
}

Image Bitmap::image() const {
  cairo_surface_flush(surface_);
  Image result(width_, height_, opaque_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  for (int y = 0; y < height_; ++y) {
    const auto* source = reinterpret_cast<const std::uint32_t*>(data + std::size_t(y) * std::size_t(stride));
    std::uint8_t* target = result.row(y);
    for (int x = 0; x < width_; ++x, target += 4) {
      const std::uint32_t p = source[x];
      target[0] = std::uint8_t(p >> 16);
      target[1] = std::uint8_t(p >> 8);
      target[2] = std::uint8_t(p);
      target[3] = opaque_ ? 255 : std::uint8_t(p >> 24);
    }
  }
  return result;
}

std::optional<Bitmap> makeBitmap(int width, int height, bool opaque) {
  if (width <= 0 || height <= 0) return std::nullopt;
  cairo_surface_t* surface = cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return std::nullopt;
  }
  cairo_t* context = cairo_create(surface);
  if (cairo_status(context) != CAIRO_STATUS_SUCCESS) {
    cairo_destroy(context);
    cairo_surface_destroy(surface);
    return std::nullopt;
  }
  if (opaque) {
    // RGB24 leaves the fourth byte undefined; start from opaque black so every byte is set.
    cairo_set_source_rgb(context, 0, 0, 0);
    cairo_paint(context);
  }
  return Bitmap(surface, context, width, height, opaque);
}

cairo_surface_t* surfaceOf(const Image& image) {
  if (image.width <= 0 || image.height <= 0) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < image.height; ++y) {
    auto* target = reinterpret_cast<std::uint32_t*>(data + std::size_t(y) * std::size_t(stride));
    const std::uint8_t* source = image.row(y);
    for (int x = 0; x < image.width; ++x, source += 4) {
      target[x] = std::uint32_t(source[3]) << 24 | std::uint32_t(source[0]) << 16 | std::uint32_t(source[1]) << 8 |
                  std::uint32_t(source[2]);
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

}  // namespace vantorel::Canvas
