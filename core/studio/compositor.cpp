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

// The 8 × 8 ordered-dither thresholds (Bayer), 0 … 63.
constexpr std::uint8_t kBayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                       {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                                       {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                                       {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

// The sweep's three layers, evaluated as Cairo draws them (gradients between the limited stop
// colours in sRGB values, each layer laid "over" the one below) but in floating point, then
// rounded with an ordered dither of half a step either way. Cairo rounds each gradient straight to
// 8 bits, and across a large backdrop of one hue those steps show as bands. The dither depends on
// the pixel's position alone, so every frame of a video or GIF has the same backdrop, pixel for
// pixel, and a GIF's unchanged pixels stay unchanged. Writes RGBA rows with alpha 255.
void paintSweep(const RGBA& b, int width, int height, double w, double h, std::uint8_t* pixels, std::size_t stride) {
  // Cairo keeps colour components within 0 … 1.
  const auto component = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
  const double base[3] = {component(b.r), component(b.g), component(b.b)};
  // The sweep: darker top, a bright band just above the middle, a gentle fall to the bottom.
  constexpr double kStops[4] = {0.0, 0.42, 0.62, 1.0}, kFactors[4] = {0.86, 1.02, 0.97, 0.9};
  double glow[3];
  for (int c = 0; c < 3; ++c) glow[c] = limit(base[c] * 1.08);
  const double cx = w * 0.5, cy = h * 0.5;
  const double glowRadius = 0.54 * std::max(w, h);
  const double inner = 0.45 * std::min(w, h), outer = 0.62 * std::sqrt(w * w + h * h);
  for (int y = 0; y < height; ++y) {
    const double py = y + 0.5;
    const double t = std::clamp(py / h, 0.0, 1.0);
    int k = 0;
    while (k < 2 && t > kStops[k + 1]) ++k;
    const double f = (t - kStops[k]) / (kStops[k + 1] - kStops[k]);
    double row[3];
    for (int c = 0; c < 3; ++c) {
      const double from = limit(base[c] * kFactors[k]), to = limit(base[c] * kFactors[k + 1]);
      row[c] = from + (to - from) * f;
    }
    const double dy = py - cy;
    std::uint8_t* out = pixels + std::size_t(y) * stride;
    for (int x = 0; x < width; ++x, out += 4) {
      const double dx = x + 0.5 - cx;
      const double r = std::sqrt(dx * dx + dy * dy);
      // The centre glow over it, then the vignette.
      const double glowAlpha = r < glowRadius ? 1.0 - r / glowRadius : 0.0;
      const double shade = r > inner && r <= outer ? 1.0 - 0.09 * (r - inner) / (outer - inner) : 1.0;
      const double threshold = (kBayer[y & 7][x & 7] + 0.5) / 64.0;
      for (int c = 0; c < 3; ++c) {
        const double v = (glow[c] * glowAlpha + row[c] * (1.0 - glowAlpha)) * shade;
        out[c] = std::uint8_t(std::min(255.0, std::floor(v * 255.0 + threshold)));
      }
      out[3] = 255;
    }
  }
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
  // Pictures are at most a few thousand pixels a side; anything else is no rectangle to paint.
  const bool paintable = rect.width > 0 && rect.height > 0 && rect.width < 65536 && rect.height < 65536;
  const int width = paintable ? int(std::ceil(rect.width)) : 0, height = paintable ? int(std::ceil(rect.height)) : 0;
  Image sweep(width, height, true);
  if (paintable) paintSweep(b, width, height, rect.width, rect.height, sweep.pixels.data(), sweep.stride());
  if (cairo_surface_t* source = Canvas::surfaceOf(sweep)) {
    cairo_set_source_surface(cr, source, rect.x, rect.y);
    cairo_paint(cr);
    cairo_surface_destroy(source);
  }
  cairo_restore(cr);
}

std::optional<Image> background(const Look& look, int width, int height) {
  // Painted straight into the image's pixels and turned into RGBA order where they lie, so a
  // large picture's background costs one full-size buffer, not two.
  if (width <= 0 || height <= 0 || cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width) != width * 4)
    return std::nullopt;
  Image image(width, height, true);
  if (look.background == BackgroundStyle::studio) {
    paintSweep(look.backgroundColor, width, height, width, height, image.pixels.data(), image.stride());
    return image;
  }
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
