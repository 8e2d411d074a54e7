// Facts of the rendered picture that need no reference: framing, clear and opaque areas, the
// floor, sizes, and the studio's lock.
#include "picture_files.h"
#include "reference_scenes.h"

#include "input/sample_models.h"
#include "studio/studio.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace vantorel {
namespace {

std::uint8_t alpha(const Image& image, int x, int y) { return image.row(y)[4 * x + 3]; }

// A premultiplied pixel that is covered but black: only the floor's shadow draws those.
bool shadowPixel(const Image& image, int x, int y) {
  const std::uint8_t* p = image.row(y) + 4 * x;
  return p[3] > 0 && p[0] == 0 && p[1] == 0 && p[2] == 0;
}

TEST(StudioFraming, EveryModelPixelStaysInsideTheMarginAndNoShadowShowsWhenOff) {
  auto studio = Studio::create(SampleModels::twistedVase(), Look{.background = BackgroundStyle::transparent, .shadow = false});
  const std::pair<int, int> sizes[] = {{96, 96}, {128, 72}, {72, 128}, {96, 120}};
  for (const auto& [w, h] : sizes)
    for (float elevation : {6.0f, 22.0f, 40.0f, 72.0f})
      for (float turn : {0.0f, 1.3f, 2.9f})
        for (FramingMode mode : {FramingMode::turntable, FramingMode::tight}) {
          const auto image = studio->render(w, h, turn, elevation, mode, false);
          ASSERT_TRUE(image);
          const float margin = mode == FramingMode::tight ? Framing::kTightMargin : Framing::kTurntableMargin;
          // The tighter side keeps `margin` of its half free; one pixel of slack for the edge's coverage.
          const int ring = int(margin * std::min(w, h) / 2) - 1;
          int covered = 0;
          for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
              const bool inRing = x < ring || y < ring || x >= w - ring || y >= h - ring;
              if (alpha(*image, x, y) > 0) {
                ++covered;
                ASSERT_FALSE(inRing) << w << "x" << h << " elevation " << elevation << " turn " << turn << " at " << x
                                     << "," << y;
                ASSERT_FALSE(shadowPixel(*image, x, y)) << "shadow off, yet the floor shows at " << x << "," << y;
              }
            }
          EXPECT_GT(covered, w * h / 20);
        }
}

TEST(StudioPicture, TransparentIsClearWhereNeitherModelNorShadowAndOpaqueLooksHaveAlphaOne) {
  auto studio = Studio::create(SampleModels::twistedVase(), Look{.background = BackgroundStyle::transparent});
  const auto image = studio->render(120, 120, 0);
  ASSERT_TRUE(image);
  EXPECT_FALSE(image->opaque);
  for (const auto& [x, y] : {std::pair{0, 0}, {119, 0}, {0, 119}, {60, 3}}) EXPECT_EQ(alpha(*image, x, y), 0) << x << "," << y;
  int shadow = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 120; ++x) shadow += shadowPixel(*image, x, y);
  EXPECT_GT(shadow, 100);  // the soft shadow survives on a transparent picture

  for (BackgroundStyle style : {BackgroundStyle::studio, BackgroundStyle::solid}) {
    studio->update(Look{.background = style, .backgroundColor = {0.2, 0.4, 0.6, 1}});
    const auto opaque = studio->render(80, 64, 0);
    ASSERT_TRUE(opaque);
    EXPECT_TRUE(opaque->opaque);
    for (std::size_t i = 3; i < opaque->pixels.size(); i += 4) ASSERT_EQ(opaque->pixels[i], 255);
    if (style == BackgroundStyle::solid) {
      EXPECT_EQ(std::vector<int>(opaque->row(0), opaque->row(0) + 3), (std::vector<int>{51, 102, 153}));
    }
    // Background off keeps alpha even for an opaque look.
    const auto bare = studio->render(80, 64, 0, std::nullopt, FramingMode::turntable, false);
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->opaque);
    EXPECT_EQ(alpha(*bare, 0, 0), 0);
  }
}

TEST(StudioPicture, SmallestAndLargestSizes) {
  auto studio = Studio::create(SampleModels::twistedVase(), Look{});
  for (const auto& [w, h] : {std::pair{1, 1}, {3840, 2160}}) {
    const auto image = studio->render(w, h, 0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, w);
    EXPECT_EQ(image->pixels.size(), std::size_t(4 * w * h));
  }
  EXPECT_FALSE(studio->render(0, 10, 0));
  EXPECT_FALSE(studio->render(10, -3, 0));
  EXPECT_FALSE(studio->render(Studio::kLargestSide + 1, 10, 0));  // beyond the largest: nothing, no exception
  EXPECT_TRUE(studio->render(8, 8, 0));         // and the studio stays usable
}

TEST(StudioPicture, ModelsOfAnySizeAreFramedAndAPictureWithoutTheModelFails) {
  // The vase is about 100 mm: these make it 1e-3 mm and 1e18 mm, each framed and lit like the other.
  // The ruler keeps its 50 mm: out of the picture beside the one, too small to see beside the other.
  const Look look{.layerLines = true, .scaleReference = ScaleReference::ruler};
  std::vector<Image> pictures;  // turntable and tight, for each size
  for (const float factor : {1e-5f, 1e16f}) {
    auto studio = Studio::create(SampleModels::twistedVase().scaled(factor), look);
    for (FramingMode mode : {FramingMode::turntable, FramingMode::tight}) {
      const auto image = studio->render(64, 64, 0.4f, std::nullopt, mode, false);
      ASSERT_TRUE(image) << factor;
      int covered = 0;
      for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) covered += alpha(*image, x, y) > 0 && !shadowPixel(*image, x, y);
      EXPECT_GT(covered, 64 * 64 / 20) << factor;
      pictures.push_back(*image);
    }
  }
  for (std::size_t i = 0; i < 2; ++i) EXPECT_LE(testing::compare(pictures[i], pictures[i + 2], 8).differing, 64u);
  // Zero-area triangles cover nothing, so there is no picture to give.
  PrintModel flat;
  flat.objects.resize(1);
  flat.objects[0].positions = {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}};
  flat.objects[0].indices = {0, 1, 2};
  EXPECT_FALSE(Studio::create(flat, Look{})->render(32, 32, 0));
}

TEST(StudioPicture, SameLookTwiceChangesNothing) {
  auto studio = Studio::create(SampleModels::planterAndSaucer(), Look{});
  const auto before = studio->render(96, 96, 0.7f);
  studio->update(Look{});
  studio->update(Look{});
  const auto after = studio->render(96, 96, 0.7f);
  ASSERT_TRUE(before && after);
  EXPECT_EQ(before->pixels, after->pixels);
}

TEST(StudioScene, NodesFollowTheLook) {
  PrintModel model = SampleModels::planterAndSaucer();
  const std::int64_t hiddenId = model.objects[1].id;
  Look look{.scaleReference = ScaleReference::ruler, .startAngle = 35};
  auto studio = Studio::create(model, look, {hiddenId});
  ASSERT_EQ(studio->meshes().size(), 1u);
  EXPECT_EQ(studio->meshes()[0].object.id, model.objects[0].id);
  StudioScene scene = studio->scene();
  ASSERT_EQ(scene.objects.size(), 1u);
  EXPECT_EQ(scene.objects[0].name, model.objects[0].name);
  EXPECT_EQ(scene.reference.kind, ScaleReference::ruler);
  EXPECT_EQ(studio->placement(), Placement::of(model, Orientation::asPrinted, {hiddenId}));
  // The ruler widens the sweep, so the floor and the shadow volume grow with it.
  const SweepExtent sweep = studio->sweepExtent();
  EXPECT_GT(sweep.radius, studio->placement().radius);
  EXPECT_FLOAT_EQ(scene.rig.floor.side, 12 * sweep.extent());

  // A new orientation restages the model on the floor.
  look.scaleReference = ScaleReference::disc;
  look.orientation = Orientation::onSide;
  studio->update(look);
  scene = studio->scene();
  EXPECT_EQ(scene.reference.kind, ScaleReference::disc);
  EXPECT_EQ(scene.reference.materials.size(), 1u);
  EXPECT_EQ(studio->placement(), Placement::of(model, Orientation::onSide, {hiddenId}));
  EXPECT_EQ(scene.modelTransform, studio->placement().transform);

  ASSERT_TRUE(studio->render(32, 32, 0));
  scene = studio->scene();
  EXPECT_EQ(scene.turntable, (Quaternion{0, 0, 0, 1}));  // start angle 35, turn 0: as staged
  const float d = length(scene.camera.position - scene.camera.target);
  EXPECT_FLOAT_EQ(scene.camera.zNear, std::max(0.05f * d, 0.5f));
  EXPECT_FLOAT_EQ(scene.camera.zFar, 20 * d + 2000);
  EXPECT_EQ(scene.camera.fovY, 26);
}

TEST(StudioScene, EmptyModelRendersNothingButStaysUsable) {
  PrintModel empty;
  auto studio = Studio::create(empty, Look{});
  EXPECT_TRUE(studio->meshes().empty());
  const auto image = studio->render(32, 32, 0);
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->opaque);
}

TEST(StudioLock, ConcurrentUpdateAndRenderSerialise) {
  auto studio = Studio::create(testing::smallShape(), Look{});
  std::atomic<int> pictures = 0;
  auto renderer = std::async(std::launch::async, [&] {
    for (int i = 0; i < 12; ++i)
      if (studio->render(48, 48, float(i) * 0.3f)) ++pictures;
  });
  auto updater = std::async(std::launch::async, [&] {
    for (int i = 0; i < 12; ++i) {
      Look look;
      look.lighting = all<LightingPreset>()[std::size_t(i) % 4];
      look.scaleReference = all<ScaleReference>()[std::size_t(i) % 3];
      look.shadow = i % 2 == 0;
      studio->update(look);
    }
  });
  ASSERT_EQ(updater.wait_for(std::chrono::seconds(120)), std::future_status::ready);
  ASSERT_EQ(renderer.wait_for(std::chrono::seconds(120)), std::future_status::ready);
  EXPECT_EQ(pictures.load(), 12);
  // Two studios on two threads at once, each with its own context.
  auto other = Studio::create(testing::smallShape(), Look{});
  auto a = std::async(std::launch::async, [&] { return studio->render(40, 40, 0).has_value(); });
  auto b = std::async(std::launch::async, [&] { return other->render(40, 40, 0).has_value(); });
  EXPECT_TRUE(a.get());
  EXPECT_TRUE(b.get());
}

TEST(LayerLines, ShowWhereLayersAreWideAndFadeWhereTheyAreNarrow) {
  const RGBA color{0.9, 0.9, 0.88, 1};
  auto studio = Studio::create(SampleModels::twistedVase(), Look{.color = color});
  const auto without = studio->render(120, 120, 0);
  studio->update(Look{.color = color, .layerLines = true, .layerHeight = 4});  // about four pixels a layer
  const auto wide = studio->render(120, 120, 0);
  // A twentieth of a pixel would be moiré, so no lines at all.
  studio->update(Look{.color = color, .layerLines = true, .layerHeight = 0.04});
  const auto narrow = studio->render(120, 120, 0);
  ASSERT_TRUE(without && wide && narrow);
  EXPECT_GT(testing::compare(*wide, *without, 0).largest, 20);
  EXPECT_LE(testing::compare(*narrow, *without, 0).largest, 2);
}

}  // namespace
}  // namespace vantorel
