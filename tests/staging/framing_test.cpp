#include "staging/framing.h"
#include "staging/look_choices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace vantorel;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
// square, 4:5, 4:3, 16:9, and extremes where one side clearly decides
constexpr float kAspects[] = {1.0f, 0.8f, 4.0f / 3.0f, 16.0f / 9.0f, 4.0f, 0.25f};

float halfExtent(const PictureBounds& b) { return 0.5f * std::max(b.max.x - b.min.x, b.max.y - b.min.y); }
Float2 centre(const PictureBounds& b) { return {(b.min.x + b.max.x) * 0.5f, (b.min.y + b.max.y) * 0.5f}; }

ModelObject objectWith(std::int64_t id, std::size_t count, float x = 0) {
  ModelObject o;
  o.id = id;
  for (std::size_t i = 0; i < count; ++i) o.positions.push_back({x + float(i % 17), float(i % 5), float(i % 11)});
  return o;
}

// The solved picture of `cloud` fills the frame up to the margin on its tighter side and is centred.
void expectFramed(const std::vector<Float3>& cloud, float elevationDegrees, float aspect, float margin) {
  SCOPED_TRACE("elevation " + std::to_string(elevationDegrees) + ", aspect " + std::to_string(aspect));
  const CameraPose pose = Framing::solve(cloud, elevationDegrees, aspect, margin);
  const PictureBounds b = Framing::pictureBounds(cloud, pose.position, pose.target, pose.fovY, aspect);
  const float limit = 1 - margin + 1e-3f;
  EXPECT_TRUE(b.min.x >= -limit && b.max.x <= limit && b.min.y >= -limit && b.max.y <= limit);
  EXPECT_NEAR(halfExtent(b), 1 - margin, 1e-3);
  EXPECT_NEAR(centre(b).x, 0, 1e-3);
  EXPECT_NEAR(centre(b).y, 0, 1e-3);
  EXPECT_EQ(pose.fovY, Framing::kFovY);
}

}  // namespace

TEST(Framing, TurntableCloudIsACylinderOfRingPairs) {
  EXPECT_TRUE(Framing::turntableCloud(0, 5, 5).empty());
  const auto cloud = Framing::turntableCloud(4, 2, 3);
  ASSERT_EQ(cloud.size(), 8u);
  EXPECT_EQ(cloud[0], (Float3{2, 0, 0}));
  EXPECT_EQ(cloud[1], (Float3{2, 3, 0}));
  EXPECT_NEAR(cloud[2].x, 0, 1e-6);
  EXPECT_NEAR(cloud[2].z, 2, 1e-6);
  EXPECT_EQ(cloud[3].y, 3);
  EXPECT_NEAR(cloud[4].x, -2, 1e-6);
  EXPECT_NEAR(cloud[6].z, -2, 1e-6);
}

TEST(Framing, ProjectionMapsTheFrustumEdgesToPlusMinusOneAndClampsDepth) {
  const Float3 eye{0, 0, 10}, target{0, 0, 0};
  const float t = std::tan(26 * kPi / 360);
  EXPECT_EQ(Framing::project(target, eye, target, 26, 1.5f), (Float2{0, 0}));
  EXPECT_NEAR(Framing::project({0, 10 * t, 0}, eye, target, 26, 1.5f).y, 1, 1e-6);
  EXPECT_NEAR(Framing::project({0, 10 * t, 0}, eye, target, 26, 1.5f).x, 0, 1e-6);
  EXPECT_NEAR(Framing::project({1.5f * 10 * t, 0, 0}, eye, target, 26, 1.5f).x, 1, 1e-6);
  // Points behind the camera or on its plane use the minimum depth.
  EXPECT_NEAR(Framing::project({1, 0, 20}, eye, target, 26, 1).x, 1 / (t * 0.0001f), 1);
  EXPECT_NEAR(Framing::project({0, 2, 10}, eye, target, 26, 1).y, 2 / (t * 0.0001f), 1);
}

TEST(Framing, EmptyCloudHasInfinitePictureBoundsAndADefaultPose) {
  const PictureBounds b = Framing::pictureBounds({}, {0, 0, 10}, {0, 0, 0}, 26, 1);
  EXPECT_EQ(b.min, (Float2{Bounds::kInfinity, Bounds::kInfinity}));
  EXPECT_EQ(b.max, (Float2{-Bounds::kInfinity, -Bounds::kInfinity}));
  EXPECT_EQ(Framing::solve({}, 22, 1, 0.2f, 30), (CameraPose{{0, 0, 100}, {0, 0, 0}, 30}));
}

TEST(Framing, TurntableAndOffCentreTightCloudsFitEveryAspectAndElevation) {
  std::vector<Float3> tight = Bounds{{-40, 0, -5}, {10, 25, 30}}.corners();
  tight.push_back({60, 2, 0});
  const std::pair<std::vector<Float3>, float> clouds[] = {
      {Framing::turntableCloud(Framing::kTurntableAngles, 30, 80), Framing::kTurntableMargin}, {tight, Framing::kTightMargin}};
  for (const auto& [cloud, margin] : clouds)
    for (CameraAngle angle : all<CameraAngle>())
      for (float aspect : kAspects) expectFramed(cloud, elevation(angle), aspect, margin);
}

TEST(Framing, TinyCloudKeepsTheCameraWithinItsDistanceRange) {
  for (const std::vector<Float3>& cloud : {std::vector<Float3>{{3, 4, 5}}, Bounds{{0, 0, 0}, {0.01f, 0.01f, 0.01f}}.corners()}) {
    const CameraPose pose = Framing::solve(cloud, 22, 1, 0.2f);
    const float distance = length(pose.position - pose.target);
    EXPECT_GE(distance, 0.2f - 1e-5f);
    EXPECT_LE(distance, 200.0f);
  }
}

TEST(Framing, RecentringMovesTheAimAlongThePictureUpAxis) {
  // Symmetric in X, so only the vertical picture centre needs moving; from 72° the picture's up is
  // (0, cos 72°, −sin 72°).
  const auto cloud = Framing::turntableCloud(Framing::kTurntableAngles, 20, 60);
  const CameraPose pose = Framing::solve(cloud, 72, 1, 0.2f);
  const Float3 moved = pose.target - Float3{0, 30, 0};
  ASSERT_GT(length(moved), 0.1f);
  const float e = 72 * kPi / 180;
  EXPECT_NEAR(std::abs(dot(normalize(moved), Float3{0, std::cos(e), -std::sin(e)})), 1, 1e-4);
  EXPECT_NEAR(moved.x, 0, 1e-4);
  // The camera stays on its fixed viewing direction from the moved aim point.
  const Float3 view = normalize(pose.position - pose.target);
  EXPECT_NEAR(view.y, std::sin(e), 1e-5);
  EXPECT_NEAR(view.z, std::cos(e), 1e-5);
}

TEST(Framing, TightCloudSamplesLargeModelsAndKeepsSmallObjectsWhole) {
  PrintModel model;
  model.objects = {objectWith(1, 99'744), objectWith(2, 256, 500), objectWith(3, 5000, -900)};
  const Placement placement = Placement::of(model, Orientation::yUp, {3});
  const auto cloud = Framing::tightCloud(model, {3}, placement, Bounds::empty, 0);
  // 100 000 visible positions: step 33 for the large object (3023 samples), all 256 of the small one.
  ASSERT_EQ(cloud.size(), 3023u + 256u);
  EXPECT_EQ(cloud[3023], transformPoint(placement.transform, model.objects[1].positions[0]));
  EXPECT_EQ(cloud[1], transformPoint(placement.transform, model.objects[0].positions[33]));
  EXPECT_EQ(cloud.back(), transformPoint(placement.transform, model.objects[1].positions[255]));
  // Under 3000 visible positions every vertex counts.
  model.objects = {objectWith(1, 2999), objectWith(2, 300)};
  EXPECT_EQ(Framing::tightCloud(model, {}, Placement::of(model, Orientation::asPrinted), Bounds::empty, 0).size(), 3299u);
}

TEST(Framing, TightCloudAddsTheReferenceAndTurnsWithTheTurntable) {
  PrintModel model;
  ModelObject o;
  o.positions = {{1, 0, 0}};
  model.objects = {o};
  Placement placement;  // identity transform
  const Bounds reference{{2, 0, 0}, {3, 1, 1}};
  const auto cloud = Framing::tightCloud(model, {}, placement, reference, kPi / 2);
  ASSERT_EQ(cloud.size(), 9u);
  // A quarter turn counter-clockwise seen from above carries +X to −Z.
  EXPECT_NEAR(cloud[0].x, 0, 1e-6);
  EXPECT_NEAR(cloud[0].z, -1, 1e-6);
  EXPECT_NEAR(cloud[8].x, 1, 1e-6);  // corner (3, 1, 1)
  EXPECT_NEAR(cloud[8].y, 1, 1e-6);
  EXPECT_NEAR(cloud[8].z, -3, 1e-6);
}
