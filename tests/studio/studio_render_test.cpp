// Facts of the rendered picture that need no reference: framing, clear and opaque areas, the
// floor, sizes, and the studio's lock.
#include "picture_files.h"
#include "reference_scenes.h"

#include "input/sample_models.h"
#include "studio/studio.h"
#include "studio/transforms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <future>

namespace vantorel {
namespace {

std::uint8_t alpha(const Image& image, int x, int y) { return image.row(y)[4 * x + 3]; }

// A premultiplied pixel that is partly covered by a dark grey: only the floor's shadow draws those.
bool shadowPixel(const Image& image, int x, int y) {
  const std::uint8_t* p = image.row(y) + 4 * x;
  const int darkest = std::min({p[0], p[1], p[2]}), lightest = std::max({p[0], p[1], p[2]});
  return p[3] > 0 && p[3] < 255 && 2 * lightest <= p[3] && lightest - darkest <= p[3] / 8 + 2;
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

TEST(StudioPicture, TheFloorShadowIsDarkestWhereTheModelTouchesTheFloor) {
  // The dramatic key comes low from the left, so the pillar's shadow runs right across the floor in
  // view; on a transparent picture the floor's alpha is its shadow.
  auto studio = Studio::create(testing::smallShape(),
                               Look{.background = BackgroundStyle::transparent, .lighting = LightingPreset::dramatic});
  const int width = 320, height = 160;
  const auto image = studio->render(width, height, 0);
  ASSERT_TRUE(image);
  const StudioScene scene = studio->scene();
  const Matrix4 clip = perspective(scene.camera.fovY, float(width) / float(height), scene.camera.zNear, scene.camera.zFar) *
                       lookAt(scene.camera.position, scene.camera.target);
  const Float3 toKey = normalize(scene.rig.key.position);
  const Float3 along = normalize(Float3{-toKey.x, 0, -toKey.z});
  const float cast = 30 * std::sqrt(toKey.x * toKey.x + toKey.z * toKey.z) / toKey.y;  // the shadow's length beyond the pillar
  // The floor's alpha at `mm` from the pillar's axis along its shadow.
  const auto shadowAt = [&](float mm) {
    const Float3 p = along * (mm * scene.unitScale);
    float c[4];
    for (int row = 0; row < 4; ++row) c[row] = clip(row, 0) * p.x + clip(row, 2) * p.z + clip(row, 1) * scene.rig.floor.position.y + clip(row, 3);
    const int x = int((c[0] / c[3] * 0.5f + 0.5f) * width), y = int((0.5f - c[1] / c[3] * 0.5f) * height);
    EXPECT_TRUE(x >= 0 && y >= 0 && x < width && y < height) << mm << " mm lies out of the picture";
    return int(alpha(*image, std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1)));
  };
  const int contact = shadowAt(13.5f), further = shadowAt(12.5f + 0.3f * cast);
  EXPECT_GT(contact, further + 20) << "beside the contact " << contact << ", further out " << further;
}

TEST(StudioScene, NodesFollowTheLook) {
  PrintModel model = SampleModels::planterAndSaucer();
  const std::int64_t hiddenId = model.objects[1].id;
  Look look{.scaleReference = ScaleReference::ruler, .startAngle = 35};
  auto studio = Studio::create(model, look, {hiddenId});
  ASSERT_EQ(studio->meshes().size(), 1u);
  EXPECT_EQ(studio->meshes()[0].object->id, model.objects[0].id);
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

// A U channel 30 mm wide, 18 mm tall and 40 mm long (file +Z up): walls 10 mm thick either side of
// a 10 mm slot, 12 mm deep, whose floor faces up like the walls' tops.
PrintModel uChannel() {
  const std::pair<float, float> profile[] = {{-15, 0}, {15, 0}, {15, 18}, {5, 18}, {5, 6}, {-5, 6}, {-5, 18}, {-15, 18}};
  // Eight sections along its length: the occlusion lives at the vertices, so the slot needs some
  // away from its open ends.
  ModelObject channel;
  for (int section = 0; section <= 8; ++section)
    for (const auto& [x, z] : profile) channel.positions.push_back({x, -20.0f + 5.0f * float(section), z});
  // The end faces in triangles of the anticlockwise profile (facing −Y), then the sides outwards.
  const std::uint32_t ends[] = {0, 1, 4, 0, 4, 5, 1, 2, 3, 1, 3, 4, 0, 5, 6, 0, 6, 7};
  for (std::size_t i = 0; i < std::size(ends); i += 3)
    channel.indices.insert(channel.indices.end(), {ends[i], ends[i + 1], ends[i + 2], ends[i] + 64, ends[i + 2] + 64, ends[i + 1] + 64});
  for (std::uint32_t section = 0; section < 64; section += 8)
    for (std::uint32_t a = section; a < section + 8; ++a) {
      const std::uint32_t b = section + (a + 1) % 8;
      channel.indices.insert(channel.indices.end(), {a, a + 8, b + 8, a, b + 8, b});
    }
  PrintModel model;
  model.objects.push_back(std::move(channel));
  return model;
}

TEST(StudioOcclusion, TheFloorOfADeepSlotIsDarkerThanTheOpenTopsBesideIt) {
  // No key shadow: the slot's floor and the walls' tops face the same way and take the same
  // direct light, so only the surroundings they see can tell them apart.
  auto studio = Studio::create(uChannel(), Look{.color = {0.5, 0.5, 0.5, 1}, .shadow = false});
  const int size = 160;
  const auto image = studio->render(size, size, 0, 70.0f);
  ASSERT_TRUE(image);
  const StudioScene scene = studio->scene();
  const Matrix4 clip = perspective(scene.camera.fovY, 1, scene.camera.zNear, scene.camera.zFar) *
                       lookAt(scene.camera.position, scene.camera.target) * rotation(scene.turntable) * scene.modelTransform;
  // The mean of the three channels over the 3 × 3 pixels around a point of the file.
  const auto brightness = [&](Float3 p) {
    float c[4];
    for (int row = 0; row < 4; ++row) c[row] = clip(row, 0) * p.x + clip(row, 1) * p.y + clip(row, 2) * p.z + clip(row, 3);
    const int x = int((c[0] / c[3] * 0.5f + 0.5f) * size), y = int((0.5f - c[1] / c[3] * 0.5f) * size);
    int sum = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        for (int channel = 0; channel < 3; ++channel) sum += image->row(y + dy)[4 * (x + dx) + channel];
    return float(sum) / 27;
  };
  const float slot = brightness({0, 0, 6}), top = brightness({10, 0, 18});
  EXPECT_LT(slot, 0.88f * top) << "slot " << slot << ", top " << top;
}

}  // namespace
}  // namespace vantorel
