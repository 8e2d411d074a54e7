#pragma once
// 2D drawing on Cairo: bitmaps in one fixed colour space (8-bit sRGB, opaque or premultiplied) and
// the ruler's printed scale. Stateless functions; a Bitmap owns its pixels.
#include "base/image.h"

#include <cairo.h>

#include <optional>

namespace vantorel::Canvas {

/// A Cairo image surface with its drawing context. Opaque bitmaps ignore alpha; transparent ones
/// hold premultiplied alpha. Coordinates run from the top-left corner, in pixels.
class Bitmap {
 public:
  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  ~Bitmap();

  int width() const { return width_; }
  int height() const { return height_; }
  bool opaque() const { return opaque_; }
  cairo_t* context() const { return context_; }
  cairo_surface_t* surface() const { return surface_; }

  /// The pixels as an Image (RGBA order, premultiplied; alpha 255 everywhere when opaque).
  Image image() const;

 private:
  friend std::optional<Bitmap> makeBitmap(int width, int height, bool opaque);
  Bitmap(cairo_surface_t* surface, cairo_t* context, int width, int height, bool opaque);
  cairo_surface_t* surface_ = nullptr;
  cairo_t* context_ = nullptr;
  int width_ = 0, height_ = 0;
  bool opaque_ = true;
};

/// A cleared bitmap of width × height pixels, or nothing when either side is not positive or Cairo
/// cannot make one (too large, out of memory).
std::optional<Bitmap> makeBitmap(int width, int height, bool opaque);

/// A Cairo surface sharing nothing with `image`: a copy in Cairo's pixel order, or nothing on failure.
cairo_surface_t* surfaceOf(const Image& image);

/// The ruler's printed scale for a ruler `lengthMm` long and `widthMm` wide: an opaque image of
/// 12 pixels per millimetre, cream with grey ticks every millimetre hanging from the top edge,
/// centimetre numbers and a "cm" label. Nothing when a side is not positive or too large.
std::optional<Image> rulerImage(int lengthMm, int widthMm);

}  // namespace vantorel::Canvas
