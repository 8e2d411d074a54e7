// Each reference scene rendered on the software rasteriser must match its checked-in picture:
// at most 0.5 % of the pixels may differ by more than 8 levels in any channel. On a mismatch the
// actual picture and a difference map are written beside the build for a look.
#include "picture_files.h"
#include "reference_scenes.h"

#include <gtest/gtest.h>

namespace vantorel::testing {
namespace {

constexpr int kTolerance = 8;
constexpr double kDifferingShare = 0.005;

class ReferenceImage : public ::testing::TestWithParam<ReferenceScene> {};

TEST_P(ReferenceImage, MatchesTheCheckedInPicture) {
  const ReferenceScene& scene = GetParam();
  const auto expected = readPicture(referenceFolder() / (scene.name + ".png"));
  ASSERT_TRUE(expected) << "missing reference picture; run tools/regenerate-reference-images";
  const auto actual = renderScene(scene);
  ASSERT_TRUE(actual);
  ASSERT_EQ(actual->width, expected->width);
  ASSERT_EQ(actual->height, expected->height);
  const Difference d = compare(*actual, *expected, kTolerance);
  const auto allowed = std::size_t(kDifferingShare * double(actual->width) * double(actual->height));
  if (d.differing > allowed) {
    const std::filesystem::path folder = VANTOREL_ACTUAL_DIR;
    writePicture(*actual, folder / (scene.name + ".actual.png"));
    writePicture(d.map, folder / (scene.name + ".diff.png"));
  }
  EXPECT_LE(d.differing, allowed) << scene.name << ": " << d.differing << " pixels differ (largest difference "
                                  << d.largest << "); actual and diff written to " << VANTOREL_ACTUAL_DIR;
}

INSTANTIATE_TEST_SUITE_P(Studio, ReferenceImage, ::testing::ValuesIn(referenceScenes()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vantorel::testing
