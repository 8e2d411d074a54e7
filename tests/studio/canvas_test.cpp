#include "studio/canvas.h"

#include <gtest/gtest.h>

#include <array>

namespace vantorel {
namespace {

bool dark(const Image& image, int x, int y) {
  const std::uint8_t* p = image.row(y) + 4 * x;
  return p[0] < 128 && p[1] < 128 && p[2] < 128;
}

// Dark runs along row y: each tick crossing the row is one run.
int runsAlongRow(const Image& image, int y) {
  int runs = 0;
  bool inside = false;
  for (int x = 0; x < image.width; ++x) {
    const bool d = dark(image, x, y);
    if (d && !inside) ++runs;
    inside = d;
  }
  return runs;
}

// Any ink in the box [x0, x1) × [y0, y1) (rows from the top).
bool inkIn(const Image& image, int x0, int x1, int y0, int y1) {
  for (int y = std::max(0, y0); y < std::min(image.height, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(image.width, x1); ++x)
      if (dark(image, x, y)) return true;
  return false;
}

TEST(RulerImage, TicksEveryMillimetreNumbersAtInnerCentimetres) {
  for (int mm : {50, 300}) {
    SCOPED_TRACE(mm);
    const auto ruler = Canvas::rulerImage(mm, 20);
    ASSERT_TRUE(ruler);
    EXPECT_EQ(ruler->width, 12 * mm);
    EXPECT_EQ(ruler->height, 240);
    EXPECT_TRUE(ruler->opaque);
    EXPECT_EQ(runsAlongRow(*ruler, 10), mm + 1);  // every tick hangs at least 0.17·H from the top
    // Only centimetre ticks reach past 0.28·H = 67 px.
    EXPECT_EQ(runsAlongRow(*ruler, 90), mm / 10 + 1);
    // Numbers sit between 0.3·H and 0.5·H above the bottom (rows 120 … 168), at the inner centimetres only.
    for (int cm = 1; cm < mm / 10; ++cm) EXPECT_TRUE(inkIn(*ruler, 120 * cm - 20, 120 * cm + 20, 120, 168)) << cm;
    EXPECT_FALSE(inkIn(*ruler, 12 * mm - 30, 12 * mm, 120, 168));  // none at the far end
    EXPECT_FALSE(inkIn(*ruler, 0, 30, 120, 168));                  // no "0"
    const std::uint8_t* ground = ruler->row(200) + 4 * 300;
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(ground[c], (std::array{245, 240, 224}[c]), 1) << "cream ground";
    // "cm" in grey 0.35 with its baseline 0.08·H = 19 px above the bottom, starting at x = 36.
    bool unit = false;
    for (int y = 190; y < 222 && !unit; ++y)
      for (int x = 36; x < 90 && !unit; ++x) unit = ruler->row(y)[4 * x] < 150;
    EXPECT_TRUE(unit);
  }
}

TEST(Canvas, RefusesEmptyOrHugeSizes) {
  EXPECT_FALSE(Canvas::rulerImage(0, 20));
  EXPECT_FALSE(Canvas::rulerImage(50, 0));
  EXPECT_FALSE(Canvas::rulerImage(100000, 20));
  EXPECT_FALSE(Canvas::makeBitmap(0, 10, true));
  EXPECT_FALSE(Canvas::makeBitmap(10, -1, false));
}

TEST(Bitmap, SurfaceRoundTripKeepsPremultipliedPixels) {
  Image image(2, 1, false);
  image.pixels = {10, 20, 30, 40, 200, 100, 50, 255};
  cairo_surface_t* surface = Canvas::surfaceOf(image);
  ASSERT_NE(surface, nullptr);
  auto bitmap = Canvas::makeBitmap(2, 1, false);
  cairo_set_source_surface(bitmap->context(), surface, 0, 0);
  cairo_set_operator(bitmap->context(), CAIRO_OPERATOR_SOURCE);
  cairo_paint(bitmap->context());
  cairo_surface_destroy(surface);
  EXPECT_EQ(bitmap->image(), image);
  // A fresh bitmap without a background is clear.
  EXPECT_EQ(Canvas::makeBitmap(3, 2, false)->image(), Image(3, 2, false));
}

}  // namespace
}  // namespace vantorel
