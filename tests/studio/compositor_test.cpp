#include "studio/compositor.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

namespace vantorel {
namespace {

const std::uint8_t* at(const Image& image, int x, int y) { return image.row(y) + 4 * x; }

// The sweep's shape with an everyday base colour is pinned by the vase_default reference picture.
TEST(StudioSweep, WhiteBaseClipsTheBrightBandAndGlowToWhite) {
  const auto image = Compositor::background(Look{.backgroundColor = {1, 1, 1, 1}}, 200, 100);
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->opaque);
  // The centre: band and glow both limited to the base colour, no vignette inside 0.45·min.
  EXPECT_EQ(std::vector<int>(at(*image, 100, 50), at(*image, 100, 50) + 3), (std::vector<int>{255, 255, 255}));
  // The glow never brightens beyond white, and the darker top shows outside the glow.
  EXPECT_LT(at(*image, 0, 0)[0], 235);
  for (std::size_t i = 3; i < image->pixels.size(); i += 4) ASSERT_EQ(image->pixels[i], 255);
}

TEST(SolidBackground, FillsWithTheColour) {
  const auto image = Compositor::background(Look{.background = BackgroundStyle::solid, .backgroundColor = {1, 0, 0.5, 1}}, 4, 4);
  ASSERT_TRUE(image);
  EXPECT_EQ(std::vector<int>(at(*image, 3, 3), at(*image, 3, 3) + 4), (std::vector<int>{255, 0, 128, 255}));
}

TEST(Compose, TransparentLookKeepsAlphaEvenWithBackgroundOn) {
  Image picture(8, 8, false);
  picture.row(4)[16 + 3] = 128;
  picture.row(4)[16] = 100;
  const auto result = Compositor::compose(picture, 8, 8, Look{.background = BackgroundStyle::transparent}, true);
  ASSERT_TRUE(result);
  EXPECT_FALSE(result->opaque);
  EXPECT_EQ(at(*result, 0, 0)[3], 0);
  EXPECT_EQ(at(*result, 4, 4)[3], 128);
  EXPECT_EQ(at(*result, 4, 4)[0], 100);
  EXPECT_EQ(Compositor::composeOver(picture, nullptr).pixels, picture.pixels);
}

TEST(Compose, OpaqueResultPaintsBehindAndStretches) {
  const Look look{.background = BackgroundStyle::solid, .backgroundColor = {0, 0, 1, 1}};
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
  EXPECT_FALSE(Compositor::compose(Image(2, 2, false), 0, 5, Look{}, true));
}

TEST(Compose, OverBlendsPremultipliedPixels) {
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
  EXPECT_TRUE(blended.opaque);
  for (std::size_t i = 0; i < blended.pixels.size(); ++i) {
    const unsigned s = many.pixels[i], b = behind.pixels[i], keep = 255u - many.pixels[i | 3];
    const unsigned expected = i % 4 == 3 ? 255u : std::min(255u, (s * 255u + b * keep + 127u) / 255u);
    ASSERT_EQ(blended.pixels[i], expected) << "byte " << i;
  }
}

TEST(OpaqueLook, OnlyTransparentBecomesSolidWhite) {
  const Look clear{.background = BackgroundStyle::transparent, .backgroundColor = {0.2, 0.3, 0.4, 1}};
  EXPECT_EQ(Compositor::opaqueLook(clear), (Look{.background = BackgroundStyle::solid, .backgroundColor = {1, 1, 1, 1}}));
  const Look studio{.backgroundColor = {0.2, 0.3, 0.4, 1}};
  EXPECT_EQ(Compositor::opaqueLook(studio), studio);
}

}  // namespace
}  // namespace vantorel
