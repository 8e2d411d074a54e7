#include "studio/compositor.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

namespace vantorel {
namespace {

const std::uint8_t* at(const Image& image, int x, int y) { return image.row(y) + 4 * x; }

TEST(StudioSweep, WhiteBaseClipsTheBrightBandAndGlowToWhite) {
  Look look;
  look.background = BackgroundStyle::studio;
  look.backgroundColor = {1, 1, 1, 1};
  const auto image = Compositor::background(look, 200, 100);
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->opaque);
  // The centre: band and glow both limited to the base colour, no vignette inside 0.45·min.
  EXPECT_EQ(std::vector<int>(at(*image, 100, 50), at(*image, 100, 50) + 3), (std::vector<int>{255, 255, 255}));
  // The glow never brightens beyond white, and the darker top shows outside the glow.
  const std::uint8_t* corner = at(*image, 0, 0);
  EXPECT_LT(corner[0], 235);
  for (std::size_t i = 3; i < image->pixels.size(); i += 4) ASSERT_EQ(image->pixels[i], 255);
}

TEST(StudioSweep, TopIsDarkerThanTheBandAboveTheMiddle) {
  Look look;
  look.backgroundColor = {0.5, 0.5, 0.5, 1};
  const auto image = Compositor::background(look, 64, 400);
  ASSERT_TRUE(image);
  EXPECT_LT(at(*image, 32, 0)[0], at(*image, 32, 168)[0]);     // 0.86 b at the top, 1.02 b at 0.42
  EXPECT_GT(at(*image, 32, 168)[0], at(*image, 32, 399)[0]);   // falls off towards the bottom
  EXPECT_EQ(at(*image, 0, 200)[0], at(*image, 63, 200)[0]);    // symmetric left and right
}

TEST(SolidBackground, FillsWithTheColour) {
  Look look;
  look.background = BackgroundStyle::solid;
  look.backgroundColor = {1, 0, 0.5, 1};
  const auto image = Compositor::background(look, 4, 4);
  ASSERT_TRUE(image);
  EXPECT_EQ(std::vector<int>(at(*image, 3, 3), at(*image, 3, 3) + 4), (std::vector<int>{255, 0, 128, 255}));
}

TEST(Compose, TransparentLookKeepsAlphaEvenWithBackgroundOn) {
  Look look;
  look.background = BackgroundStyle::transparent;
  Image picture(8, 8, false);
  picture.row(4)[16 + 3] = 128;
  picture.row(4)[16] = 100;
  const auto result = Compositor::compose(picture, 8, 8, look, true);
  ASSERT_TRUE(result);
  EXPECT_FALSE(result->opaque);
  EXPECT_EQ(at(*result, 0, 0)[3], 0);
  EXPECT_EQ(at(*result, 4, 4)[3], 128);
  EXPECT_EQ(at(*result, 4, 4)[0], 100);
  EXPECT_EQ(Compositor::composeOver(picture, nullptr).pixels, picture.pixels);
}

TEST(Compose, OpaqueResultPaintsBehindAndStretches) {
  Look look;
  look.background = BackgroundStyle::solid;
  look.backgroundColor = {0, 0, 1, 1};
  Image picture(2, 2, false);
  for (int i = 0; i < 4; ++i) picture.pixels[std::size_t(4 * i)] = 255, picture.pixels[std::size_t(4 * i + 3)] = 255;
  const auto result = Compositor::compose(picture, 6, 4, look, true);
  ASSERT_TRUE(result);
  EXPECT_TRUE(result->opaque);
  EXPECT_EQ(result->width, 6);
  EXPECT_EQ(result->height, 4);
  for (std::size_t i = 0; i < result->pixels.size(); i += 4)
    ASSERT_EQ(std::vector<int>(&result->pixels[i], &result->pixels[i] + 4), (std::vector<int>{255, 0, 0, 255})) << i / 4;
  // Background off: no paint, alpha kept.
  const auto bare = Compositor::compose(Image(2, 2, false), 2, 2, look, false);
  ASSERT_TRUE(bare);
  EXPECT_FALSE(bare->opaque);
  EXPECT_EQ(at(*bare, 1, 1)[3], 0);
}

TEST(Compose, OverBlendsPremultipliedPixels) {
  Image picture(1, 1, false);
  picture.pixels = {64, 0, 0, 128};  // half-covered premultiplied red
  Image background(1, 1, true);
  background.pixels = {0, 0, 200, 255};
  const Image result = Compositor::composeOver(picture, &background);
  EXPECT_TRUE(result.opaque);
  EXPECT_EQ(std::vector<int>(result.pixels.begin(), result.pixels.end()), (std::vector<int>{64, 0, 100, 255}));  // blue 200 × (1 − 128/255), rounded

  // Every alpha and background level, through the vector body and the scalar tail alike:
  // exactly the rounded s + b·(255 − a)/255.
  Image many(257, 255, false), behind(257, 255, true);
  for (std::size_t p = 0; p < many.pixels.size() / 4; ++p) {
    const std::uint8_t a = std::uint8_t(p % 256), back = std::uint8_t((p / 256 * 37 + p) % 256);
    many.pixels[4 * p] = a, many.pixels[4 * p + 1] = std::uint8_t(a / 2), many.pixels[4 * p + 2] = 0, many.pixels[4 * p + 3] = a;
    behind.pixels[4 * p] = back, behind.pixels[4 * p + 1] = 255, behind.pixels[4 * p + 2] = std::uint8_t(255 - back);
    behind.pixels[4 * p + 3] = 255;
  }
  const Image blended = Compositor::composeOver(many, &behind);
  for (std::size_t i = 0; i < blended.pixels.size(); ++i) {
    const unsigned s = many.pixels[i], b = behind.pixels[i], keep = 255u - many.pixels[i | 3];
    const unsigned expected = i % 4 == 3 ? 255u : std::min(255u, (s * 255u + b * keep + 127u) / 255u);
    ASSERT_EQ(blended.pixels[i], expected) << "byte " << i;
  }
}

TEST(Compose, RefusesEmptyTarget) {
  EXPECT_FALSE(Compositor::compose(Image(2, 2, false), 0, 5, Look{}, true));
}

TEST(OpaqueLook, OnlyTransparentBecomesSolidWhite) {
  Look look;
  look.background = BackgroundStyle::transparent;
  look.backgroundColor = {0.2, 0.3, 0.4, 1};
  Look expected = look;
  expected.background = BackgroundStyle::solid;
  expected.backgroundColor = {1, 1, 1, 1};
  EXPECT_EQ(Compositor::opaqueLook(look), expected);
  Look studio;
  studio.backgroundColor = {0.2, 0.3, 0.4, 1};
  EXPECT_EQ(Compositor::opaqueLook(studio), studio);
}

}  // namespace
}  // namespace vantorel
