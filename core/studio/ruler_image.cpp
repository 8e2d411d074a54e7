// The ruler's printed scale: 12 pixels per millimetre, ticks hanging from the top edge, centimetre
// numbers and a "cm" label in a semibold sans-serif face found through fontconfig.
#include "studio/canvas.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <mutex>
#include <string>

namespace vantorel::Canvas {
namespace {

constexpr int kPixelsPerMm = 12;
constexpr int kLargestSide = 16384;

// One face for the process: fontconfig's answer does not change while we run. Semibold where the
// family has it; fontconfig's closest match (bold for DejaVu) otherwise.
cairo_font_face_t* semiboldSans() {
  static std::once_flag once;
  static cairo_font_face_t* face = nullptr;
  std::call_once(once, [] {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_SEMIBOLD);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match) {
      face = cairo_ft_font_face_create_for_pattern(match);
      FcPatternDestroy(match);  // the face keeps its own reference
      if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) face = nullptr;
    }
  });
  return face;
}

void setFont(cairo_t* cr, double size) {
  if (cairo_font_face_t* face = semiboldSans()) {
    cairo_set_font_face(cr, face);
  } else {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  }
  cairo_set_font_size(cr, size);
}

}  // namespace

std::optional<Image> rulerImage(int lengthMm, int widthMm) {
  if (lengthMm <= 0 || widthMm <= 0 || lengthMm > kLargestSide / kPixelsPerMm || widthMm > kLargestSide / kPixelsPerMm)
    return std::nullopt;
  const int width = kPixelsPerMm * lengthMm;
  const int height = kPixelsPerMm * widthMm;
  auto bitmap = makeBitmap(width, height, true);
  if (!bitmap) return std::nullopt;
  cairo_t* cr = bitmap->context();
  const double H = height;
  cairo_set_source_rgb(cr, 0.96, 0.94, 0.88);
  cairo_paint(cr);

  // Ticks: every millimetre, hanging from the top edge (Cairo's y = 0).
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  for (int i = 0; i <= lengthMm; ++i) {
    const bool centimetre = i % 10 == 0;
    const double tickWidth = centimetre ? 3 : 2;
    const double tickLength = centimetre ? 0.42 * H : (i % 5 == 0 ? 0.28 * H : 0.17 * H);
    double left = kPixelsPerMm * i - 1.0;
    if (i == 0) left = 2;
    if (i == lengthMm) left = kPixelsPerMm * lengthMm - 4.0;
    cairo_rectangle(cr, left, 0, tickWidth, tickLength);
  }
  cairo_fill(cr);

  // Centimetre numbers, centred on their tick, baseline 0.3·H above the bottom edge.
  setFont(cr, 0.2 * H);
  for (int i = 10; i < lengthMm; i += 10) {
    const std::string text = std::to_string(i / 10);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    const double centre = kPixelsPerMm * i - 1.0 + 1.5;
    cairo_move_to(cr, centre - extents.x_advance / 2, H - 0.3 * H);
    cairo_show_text(cr, text.c_str());
  }

  // The unit label near the left end.
  setFont(cr, 0.13 * H);
  cairo_set_source_rgb(cr, 0.35, 0.35, 0.35);
  cairo_move_to(cr, 36, H - 0.08 * H);
  cairo_show_text(cr, "cm");
  return bitmap->image();
}

}  // namespace vantorel::Canvas
