#include "studio/compositor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantorel::Compositor {
namespace {

double limit(double v) { return std::min(v, 1.0); }

void addStop(cairo_pattern_t* pattern, double offset, const RGBA& b, double factor, double alpha = 1.0) {
  cairo_pattern_add_color_stop_rgba(pattern, offset, limit(b.r * factor), limit(b.g * factor), limit(b.b * factor), alpha);
}

}  // namespace

void paintBackground(const Look& look, cairo_t* cr, Rect rect) {
  const RGBA& b = look.backgroundColor;
  cairo_save(cr);
  cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
  cairo_clip(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  if (look.background != BackgroundStyle::studio) {
    cairo_set_source_rgba(cr, limit(b.r), limit(b.g), limit(b.b), 1.0);
    cairo_paint(cr);
    cairo_restore(cr);
    return;
  }
  const double w = rect.width, h = rect.height;
  const double cx = rect.x + w * 0.5, cy = rect.y + h * 0.5;

  // 1. The sweep: darker top, a bright band just above the middle, a gentle fall to the bottom.
  cairo_pattern_t* sweep = cairo_pattern_create_linear(0, rect.y, 0, rect.y + h);
  addStop(sweep, 0.0, b, 0.86);
  addStop(sweep, 0.42, b, 1.02);
  addStop(sweep, 0.62, b, 0.97);
  addStop(sweep, 1.0, b, 0.9);
  cairo_pattern_set_extend(sweep, CAIRO_EXTEND_NONE);
  cairo_set_source(cr, sweep);
  cairo_paint(cr);
  cairo_pattern_destroy(sweep);

  // 2. Centre glow.
  cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy, 0, cx, cy, 0.54 * std::max(w, h));
  addStop(glow, 0.0, b, 1.08);
  addStop(glow, 1.0, b, 1.08, 0.0);
  cairo_pattern_set_extend(glow, CAIRO_EXTEND_NONE);
  cairo_set_source(cr, glow);
  cairo_paint(cr);
  cairo_pattern_destroy(glow);

  // 3. Vignette.
  cairo_pattern_t* vignette =
      cairo_pattern_create_radial(cx, cy, 0.45 * std::min(w, h), cx, cy, 0.62 * std::sqrt(w * w + h * h));
  cairo_pattern_add_color_stop_rgba(vignette, 0.0, 0, 0, 0, 0.0);
  cairo_pattern_add_color_stop_rgba(vignette, 1.0, 0, 0, 0, 0.09);
  cairo_pattern_set_extend(vignette, CAIRO_EXTEND_NONE);
  cairo_set_source(cr, vignette);
  cairo_paint(cr);
  cairo_pattern_destroy(vignette);
  cairo_restore(cr);
}

std::optional<Image> background(const Look& look, int width, int height) {
  // Painted straight into the image's pixels and turned into RGBA order where they lie, so a
  // large picture's background costs one full-size buffer, not two.
  if (width <= 0 || height <= 0 || cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width) != width * 4)
    return std::nullopt;
  Image image(width, height, true);
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(image.pixels.data(), CAIRO_FORMAT_RGB24, width, height, width * 4);
  cairo_t* cr = cairo_create(surface);
  const bool made = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  if (made) paintBackground(look, cr, {0, 0, double(width), double(height)});
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
  if (!made) return std::nullopt;
  for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
    std::uint32_t p;
    std::memcpy(&p, &image.pixels[i], 4);
    image.pixels[i] = std::uint8_t(p >> 16);
    image.pixels[i + 1] = std::uint8_t(p >> 8);
    image.pixels[i + 2] = std::uint8_t(p);
    image.pixels[i + 3] = 255;
  }
  return image;
}

Image composeOver(Image picture, const Image* background) {
  if (!background) {
    picture.opaque = false;
    return picture;
  }
  picture.opaque = true;
  const std::size_t n = std::min(picture.pixels.size(), background->pixels.size());
  const std::uint8_t* s = picture.pixels.data();
  const std::uint8_t* b = background->pixels.data();
  std::uint8_t* o = picture.pixels.data();
  // Each channel is s + b·(255 − a)/255 rounded, at most 255. For a product x ≤ 255², the rounded
  // x/255 is (t + t/256)/256 with t = x + 128, which stays within 16 bits.
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255), half = _mm_set1_epi16(128);
  const __m128i opaque = _mm_set1_epi32(int(0xff000000u));
  const auto blend = [&](__m128i source, __m128i back) {
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(source, 0xff), 0xff);
    const __m128i t = _mm_add_epi16(_mm_mullo_epi16(back, _mm_sub_epi16(full, alpha)), half);
    return _mm_add_epi16(source, _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8));
  };
  for (; i + 16 <= n; i += 16) {
    const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i back = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i low = blend(_mm_unpacklo_epi8(source, zero), _mm_unpacklo_epi8(back, zero));
    const __m128i high = blend(_mm_unpackhi_epi8(source, zero), _mm_unpackhi_epi8(back, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + i), _mm_or_si128(_mm_packus_epi16(low, high), opaque));
  }
#endif
  for (; i < n; i += 4) {
    const unsigned keep = 255u - s[i + 3];
    for (std::size_t c = 0; c < 3; ++c) {
      const unsigned t = b[i + c] * keep + 128u;
      o[i + c] = std::uint8_t(std::min(255u, s[i + c] + ((t + (t >> 8)) >> 8)));
    }
    o[i + 3] = 255;
  }
  return picture;
}

std::optional<Image> compose(const Image& picture, int width, int height, const Look& look, bool background) {
  const bool opaque = isOpaque(look, background);
  auto bitmap = Canvas::makeBitmap(width, height, opaque);
  if (!bitmap) return std::nullopt;
  cairo_t* cr = bitmap->context();
  if (opaque) paintBackground(look, cr, {0, 0, double(width), double(height)});
  if (cairo_surface_t* source = Canvas::surfaceOf(picture)) {
    cairo_save(cr);
    cairo_scale(cr, double(width) / picture.width, double(height) / picture.height);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_pattern_t* pattern = cairo_get_source(cr);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_BEST);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_rectangle(cr, 0, 0, picture.width, picture.height);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_surface_destroy(source);
  } else if (picture.width > 0 || picture.height > 0) {
    return std::nullopt;
  }
  return bitmap->image();
}

Look opaqueLook(const Look& look) {
  if (look.background != BackgroundStyle::transparent) return look;
  Look result = look;
  result.background = BackgroundStyle::solid;
  result.backgroundColor = {1, 1, 1, 1};
  return result;
}

}  // namespace vantorel::Compositor
