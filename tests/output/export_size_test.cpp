#include "output/export_size.h"
#include "output/output_specs.h"

#include <gtest/gtest.h>

#include <numbers>

using namespace vantorel;

namespace {

struct SizeRow {
  std::int64_t shortSide;
  Aspect aspect;
  std::int64_t width, height;
};

// Every size the system draws, per short side and aspect.
const SizeRow kSizes[] = {
    {480, Aspect::square, 480, 480},     {480, Aspect::portrait45, 480, 600},    {480, Aspect::landscape43, 640, 480},
    {480, Aspect::wide169, 852, 480},    {600, Aspect::square, 600, 600},        {600, Aspect::portrait45, 600, 750},
    {600, Aspect::landscape43, 800, 600}, {600, Aspect::wide169, 1066, 600},     {720, Aspect::square, 720, 720},
    {720, Aspect::portrait45, 720, 900}, {720, Aspect::landscape43, 960, 720},   {720, Aspect::wide169, 1280, 720},
    {800, Aspect::square, 800, 800},     {800, Aspect::portrait45, 800, 1000},   {800, Aspect::landscape43, 1066, 800},
    {800, Aspect::wide169, 1422, 800},   {1080, Aspect::square, 1080, 1080},     {1080, Aspect::portrait45, 1080, 1350},
    {1080, Aspect::landscape43, 1440, 1080}, {1080, Aspect::wide169, 1920, 1080}, {1600, Aspect::square, 1600, 1600},
    {1600, Aspect::portrait45, 1600, 2000}, {1600, Aspect::landscape43, 2132, 1600}, {1600, Aspect::wide169, 2844, 1600},
    {2000, Aspect::square, 2000, 2000},  {2000, Aspect::portrait45, 2000, 2500}, {2000, Aspect::landscape43, 2666, 2000},
    {2000, Aspect::wide169, 3556, 2000}, {2160, Aspect::square, 2160, 2160},     {2160, Aspect::portrait45, 2160, 2700},
    {2160, Aspect::landscape43, 2880, 2160}, {2160, Aspect::wide169, 3840, 2160},
};

constexpr float kDegrees = 180.0f / std::numbers::pi_v<float>;

}  // namespace

TEST(ExportSize, EveryTableSizeIsEvenAndOtherSidesRoundDown) {
  static_assert(std::size(kSizes) == 32);
  for (const SizeRow& row : kSizes) {
    const PixelSize size = ExportSize::pixels(row.aspect, row.shortSide);
    EXPECT_EQ(size, (PixelSize{row.width, row.height})) << rawValue(row.aspect) << " at " << row.shortSide;
    if (const auto resolution = resolutionFromRaw(row.shortSide)) {
      EXPECT_EQ(ExportSize::pixels(row.aspect, *resolution), size) << rawValue(row.aspect) << " at " << row.shortSide;
    }
  }
  EXPECT_EQ(ExportSize::pixels(Aspect::square, 601), (PixelSize{600, 600}));
}

TEST(PixelSize, LabelAndAspect) {
  const PixelSize size{1920, 1080};
  EXPECT_EQ(size.label(), "1920 \u00D7 1080");
  EXPECT_EQ(size.aspect(), 1.7777777777777777);
  EXPECT_EQ((PixelSize{12000, 10}).label(), "12000 \u00D7 10");
}

TEST(Turntable, OneTurnFromZeroStoppingOneStepShortAndClockwiseNegates) {
  EXPECT_EQ(Turntable::angle(0, 300, true), 0.0f);
  EXPECT_EQ(Turntable::angle(0, 300, false), 0.0f);
  const float half = Turntable::angle(150, 300, false);
  EXPECT_NEAR(half, std::numbers::pi_v<float>, 1e-6);
  EXPECT_EQ(Turntable::angle(150, 300, true), -half);
  // No frames means no division.
  EXPECT_EQ(Turntable::angle(3, 0, false), 3 * 6.283185f);
  EXPECT_EQ(Turntable::angle(3, -5, true), -3 * 6.283185f);

  VideoSpec spec;
  const float step = spec.angle(1);
  EXPECT_NEAR(spec.angle(spec.frameCount() - 1), 2 * std::numbers::pi_v<float> - step, 1e-5);
  EXPECT_LT(spec.angle(spec.frameCount() - 1), 6.283185f);
  spec.clockwise = true;
  EXPECT_EQ(spec.angle(10), -VideoSpec{}.angle(10));
}

TEST(Turntable, FrameCountsAndStepsAtTheOfferedLengths) {
  struct Row {
    std::int64_t seconds, fps, frames;
    float degreesPerFrame;
  };
  const Row videos[] = {{5, 30, 150, 2.4f}, {10, 30, 300, 1.2f}, {15, 30, 450, 0.8f}};
  for (const Row& row : videos) {
    VideoSpec spec;
    spec.seconds = row.seconds;
    spec.fps = row.fps;
    EXPECT_EQ(spec.frameCount(), row.frames);
    EXPECT_NEAR(spec.angle(1) * kDegrees, row.degreesPerFrame, 1e-4) << row.seconds << " s";
  }
  const GIFSpec gif;
  EXPECT_EQ(gif.frameCount(), 200);
  EXPECT_NEAR(Turntable::angle(1, gif.frameCount(), false) * kDegrees, 1.8f, 1e-4);
  EXPECT_EQ(VideoSpec::durations, (std::array<std::int64_t, 3>{5, 10, 15}));
  EXPECT_EQ(GIFSpec::sizes, (std::array<std::int64_t, 3>{480, 600, 800}));
}
