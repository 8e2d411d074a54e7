#include "studio/studio_scene.h"

#include <gtest/gtest.h>

#include <numbers>
#include <tuple>

namespace vantorel {
namespace {

TEST(GroupMaterial, PaletteColourForKnownKeysWithFileColoursFinishNumbersAndLayerLines) {
  PrintModel model;
  model.palette = {{1, 0, 0, 1}, {0, 1, 0, 0.5}};
  Look look{.finish = Finish::silk, .color = {0.2, 0.3, 0.4, 1}};
  EXPECT_EQ(Scene::groupMaterial(model, look, 0).color, (RGBA{1, 0, 0, 1}));
  EXPECT_EQ(Scene::groupMaterial(model, look, 1).color, (RGBA{0, 1, 0, 1}));  // alpha forced to 1
  EXPECT_EQ(Scene::groupMaterial(model, look, 2).color, look.color);
  const SurfaceMaterial m = Scene::groupMaterial(model, look, -1);
  EXPECT_EQ(m.color, look.color);
  const auto silk = material(Finish::silk);
  EXPECT_EQ(std::tie(m.roughness, m.metalness, m.clearCoat), std::tie(silk.roughness, silk.metalness, silk.clearCoat));
  EXPECT_TRUE(m.doubleSided);
  EXPECT_FALSE(m.layerHeight);
  look.useFileColors = false;
  EXPECT_EQ(Scene::groupMaterial(model, look, 0).color, look.color);
  // Layer lines never closer than four hundredths of a millimetre.
  look.layerLines = true;
  look.layerHeight = 0.01;
  EXPECT_EQ(Scene::groupMaterial(model, look, -1).layerHeight, 0.04f);
  look.layerHeight = 0.28;
  EXPECT_EQ(Scene::groupMaterial(model, look, -1).layerHeight, 0.28f);
}

TEST(RulerLength, RoundsTheFootprintUpToFiftyWithinFiftyToThreeHundred) {
  EXPECT_EQ(Scene::rulerLength({{-60, 0, -20}, {60, 10, 20}}), 150);
  EXPECT_EQ(Scene::rulerLength({{-5, 0, -5}, {5, 10, 5}}), 50);
  EXPECT_EQ(Scene::rulerLength({{-450, 0, -1}, {450, 10, 1}}), 300);
  EXPECT_EQ(Scene::rulerLength({{-50, 0, -1}, {50, 10, 1}}), 100);
  EXPECT_EQ(Scene::rulerLength(Bounds::empty), 50);
}

TEST(Reference, RulerInFrontDiscToTheRight) {
  const Bounds staged{{-30, 0, -20}, {30, 40, 20}};
  const ReferenceNode ruler = Scene::reference(Look{.scaleReference = ScaleReference::ruler}, staged);
  EXPECT_EQ(ruler.rulerLength, 100);
  EXPECT_EQ(ruler.position, (Float3{0, 0.8f, 38}));
  EXPECT_EQ(ruler.box().min, (Float3{-50, 0, 28}));
  ASSERT_EQ(ruler.materials.size(), 2u);
  EXPECT_TRUE(ruler.materials[1].rulerScale);
  EXPECT_EQ(ruler.materials[0].roughness, 0.6f);

  const ReferenceNode disc = Scene::reference(Look{.scaleReference = ScaleReference::disc}, staged);
  EXPECT_EQ(disc.position, (Float3{50, 0.875f, 8}));
  EXPECT_EQ(disc.box(), (Bounds{{38, 0, -4}, {62, 1.75f, 20}}));
  ASSERT_EQ(disc.materials.size(), 1u);
  EXPECT_EQ(disc.materials[0].metalness, 1);

  EXPECT_TRUE(Scene::reference(Look{}, staged).box().isEmpty());
}

TEST(Yaw, StartAngleThirtyFiveShowsTheModelAsStaged) {
  EXPECT_EQ(Scene::yaw(0, 35), 0.0f);
  EXPECT_NEAR(Scene::yaw(0, 0), -35 * std::numbers::pi / 180, 1e-6);
  EXPECT_NEAR(Scene::yaw(1, 35), 1, 1e-6);
}

TEST(ClippingPlanes, FollowTheCameraDistance) {
  EXPECT_EQ(Scene::nearPlane(4), 0.5f);
  EXPECT_EQ(Scene::nearPlane(100), 5.0f);
  EXPECT_EQ(Scene::farPlane(100), 4000.0f);
}

}  // namespace
}  // namespace vantorel
