#include "output/export_size.h"
#include "output/output_specs.h"

#include <gtest/gtest.h>

#include <numbers>

using namespace vantorel;

TEST(ExportSize, SidesRoundToTheNearestPixelThenDownToEven) {
  struct Row {
    std::int64_t shortSide;
    Aspect aspect;
    PixelSize size;
  };
  const Row rows[] = {
      {480, Aspect::square, {480, 480}},       {1080, Aspect::portrait45, {1080, 1350}},
      {720, Aspect::landscape43, {960, 720}},  {1080, Aspect::wide169, {1920, 1080}},
      {480, Aspect::wide169, {852, 480}},      // 853.3 → 853 → 852
      {600, Aspect::wide169, {1066, 600}},     // 1066.7 → 1067 → 1066
      {1600, Aspect::landscape43, {2132, 1600}},  // 2133.3 → 2133 → 2132
      {2000, Aspect::wide169, {3556, 2000}},   // 3555.6 → 3556
      {601, Aspect::square, {600, 600}},      {2160, Aspect::wide169, {3840, 2160}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(rawValue(row.aspect)) + " at " + std::to_string(row.shortSide));
    EXPECT_EQ(ExportSize::pixels(row.aspect, row.shortSide), row.size);
    if (const auto resolution = fromRaw<Resolution>(row.shortSide)) {
      EXPECT_EQ(ExportSize::pixels(row.aspect, *resolution), row.size);
    }
  }
  EXPECT_EQ((PixelSize{1920, 1080}).aspect(), 1.7777777777777777);
  // The specs take their sizes from here.
  EXPECT_EQ((GIFSpec{600, 20, 10, Aspect::wide169}).size(), (PixelSize{1066, 600}));
  EXPECT_EQ((StillSpec{Aspect::portrait45, Resolution::r1080, true, true}).size(), (PixelSize{1080, 1350}));
}

TEST(Turntable, OneTurnFromZeroStoppingOneStepShortAndClockwiseNegates) {
  EXPECT_EQ(Turntable::angle(0, 300, false), 0.0f);
  const float half = Turntable::angle(150, 300, false);
  EXPECT_NEAR(half, std::numbers::pi_v<float>, 1e-6);
  EXPECT_EQ(Turntable::angle(150, 300, true), -half);
  // No frames means no division.
  EXPECT_EQ(Turntable::angle(3, 0, false), 3 * 6.283185f);
  EXPECT_EQ(Turntable::angle(3, -5, true), -3 * 6.283185f);

  // A video's frames: seconds × fps of them, the last one step short of a full turn.
  for (std::int64_t seconds : {5, 10, 15}) {
    VideoSpec spec;
    spec.seconds = seconds;
    spec.fps = 30;
    EXPECT_EQ(spec.frameCount(), 30 * seconds);
    EXPECT_NEAR(spec.angle(1) * 180 / std::numbers::pi_v<float>, 12.0f / float(seconds), 1e-4) << seconds << " s";
    EXPECT_NEAR(spec.angle(spec.frameCount() - 1), 2 * std::numbers::pi_v<float> - spec.angle(1), 1e-5);
    spec.clockwise = true;
    EXPECT_EQ(spec.angle(10), -Turntable::angle(10, spec.frameCount(), false));
  }
  GIFSpec gif;
  gif.seconds = 4;
  gif.fps = 25;
  EXPECT_EQ(gif.frameCount(), 100);
}
