#include "studio/environment_light.h"
#include "studio/lighting.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

void expectNear(Float3 a, Float3 b, float tolerance) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

Placement placementOf(float radius, float height) {
  Placement p;
  p.radius = radius;
  p.bounds = {{-radius, 0, -radius}, {radius, height, radius}};
  return p;
}

TEST(SweepExtent, ScalesEverySizeAndWidensToTheReference) {
  const SweepExtent sweep = Lighting::sweepExtent(placementOf(2, 3), Bounds::empty);
  EXPECT_EQ(sweep, (SweepExtent{2, 3}));
  EXPECT_EQ(sweep.extent(), 3);
  const LightRig rig = Lighting::stage(Look{}, sweep);
  EXPECT_FLOAT_EQ(rig.floor.side, 36);
  EXPECT_EQ(rig.floor.position, (Float3{0, -0.01f, 0}));
  for (const auto& light : {rig.key, rig.fill, rig.rim}) EXPECT_NEAR(length(light.position), 15, 1e-3);
  EXPECT_FLOAT_EQ(rig.key.orthographicScale, 5.4f);
  EXPECT_FLOAT_EQ(rig.key.shadowFar, 36);
  EXPECT_FLOAT_EQ(rig.key.shadowNear, 1);
  EXPECT_FLOAT_EQ(rig.key.shadowBias, 2);
  // A scale reference widens the sweep to its farthest corner.
  const Bounds ruler{{-25, 0, 8}, {25, 1.6f, 28}};
  const SweepExtent wide = Lighting::sweepExtent(placementOf(10, 5), ruler);
  EXPECT_NEAR(wide.radius, std::sqrt(25.0f * 25 + 28 * 28), 1e-4);
  EXPECT_EQ(wide.height, 5);
  EXPECT_EQ(Lighting::sweepExtent(Placement{}, Bounds::empty), (SweepExtent{0.5f, 0.5f}));
}

TEST(LightRig, SoftStudioDirections) {
  const LightRig rig = Lighting::stage(Look{}, {10, 10});
  expectNear(normalize(rig.key.position), {-0.41f, 0.74f, 0.53f}, 0.01f);
  expectNear(normalize(rig.rim.position), {0.14f, 0.57f, -0.81f}, 0.01f);
  expectNear(normalize(rig.fill.position), {0.82f, 0.31f, 0.48f}, 0.01f);
}

TEST(LightRig, PresetChangeKeepsFloorFillAndRim) {
  const LightRig a = Lighting::stage(Look{}, {10, 20});
  const LightRig b = Lighting::stage(Look{.lighting = LightingPreset::dramatic}, {10, 20});
  EXPECT_EQ(a.floor, b.floor);
  EXPECT_EQ(a.fill.position, b.fill.position);
  EXPECT_EQ(a.rim.position, b.rim.position);
  EXPECT_NE(a.key.position, b.key.position);
  EXPECT_LT(b.fill.intensity, a.fill.intensity) << "the dramatic preset lets the shadows go dark";
  EXPECT_EQ(b.environment, LightingPreset::dramatic);
}

TEST(LightRig, ShadowOffHidesFloorAndTheKeysShadowOnly) {
  LightRig expected = Lighting::stage(Look{}, {10, 20});
  EXPECT_FALSE(expected.floor.hidden);
  EXPECT_TRUE(expected.key.castsShadow);
  expected.floor.hidden = true;
  expected.key.castsShadow = false;
  EXPECT_EQ(Lighting::stage(Look{.shadow = false}, {10, 20}), expected);
}

TEST(ColourTemperature, SixtyFiveHundredIsWhiteAndLowerIsWarmer) {
  expectNear(Lighting::temperatureColor(6500), {1, 1, 1}, 1e-5f);
  const Float3 warm = Lighting::temperatureColor(4300);
  EXPECT_GT(warm.x, warm.y);
  EXPECT_GT(warm.y, warm.z);
  const Float3 cool = Lighting::temperatureColor(9000);
  EXPECT_LT(cool.x, cool.z);
  for (float k : {1000.0f, 4300.0f, 6000.0f, 6200.0f, 40000.0f}) {
    const Float3 c = Lighting::temperatureColor(k);
    EXPECT_NEAR(0.2126f * c.x + 0.7152f * c.y + 0.0722f * c.z, 1.0f, 1e-4) << k;
  }
}

TEST(EnvironmentLight, ConstantSkyGivesItsRadianceFromEveryDirection) {
  Image grey(64, 32, true);
  for (std::size_t i = 0; i < grey.pixels.size(); ++i) grey.pixels[i] = i % 4 == 3 ? 255 : 188;
  const EnvironmentLight light = EnvironmentLight::of(grey);
  const float expected = linearFromSRGB(188.0f / 255);
  for (Float3 n : {Float3{0, 1, 0}, Float3{0, -1, 0}, Float3{1, 0, 0}, normalize(Float3{1, 1, -1})})
    expectNear(light.diffuse(n), {expected, expected, expected}, 0.01f);
}

TEST(EnvironmentLight, BrightTopLightsUpwardFacesMore) {
  const auto image = Lighting::environmentImage(LightingPreset::bright);
  ASSERT_TRUE(image);
  const EnvironmentLight light = EnvironmentLight::of(*image);
  EXPECT_GT(light.diffuse({0, 1, 0}).x, light.diffuse({1, 0, 0}).x);
  EXPECT_GT(light.diffuse({1, 0, 0}).x, light.diffuse({0, -1, 0}).x);
  EXPECT_EQ(light.radiance.size(), 512u * 256 * 3);
  expectNear(EnvironmentLight::direction(256, 0, 512, 256), {0, 1, 0}, 1e-5f);
  expectNear(EnvironmentLight::direction(256, 128, 512, 256), {0, 0, 1}, 1e-5f);
}

}  // namespace
}  // namespace vantorel
