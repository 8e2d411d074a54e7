// Dense objects drawn from their lighter copies look as they do drawn whole: the same picture
// within the reference pictures' tolerance, colour borders included, from a fraction of the triangles.
#include "dense_model.h"
#include "picture_files.h"

#include "studio/studio.h"

#include <gtest/gtest.h>

namespace vantorel::testing {
namespace {

TEST(DetailCopies, DrawTheSamePictureAsTheWholeObject) {
  for (const bool painted : {false, true}) {
    PrintModel model;
    model.name = "Scan";
    model.objects.push_back(denseModel(400, 400, painted));
    if (painted) model.palette = {RGBA{0.8, 0.16, 0.12, 1}, RGBA{0.16, 0.35, 0.8, 1}};
    const Look look = defaultLook(model);
    auto whole = Studio::create(model, look);
    whole->drawWhole();
    auto light = Studio::create(model, look);
    constexpr int kSize = 540;
    const auto expected = whole->render(kSize, kSize, 0.7f);
    const auto actual = light->render(kSize, kSize, 0.7f);
    ASSERT_TRUE(expected && actual);
    EXPECT_EQ(whole->drawnTriangles(kSize, kSize)[0], model.triangleCount());
    EXPECT_LT(light->drawnTriangles(kSize, kSize)[0], model.triangleCount() / 10);
    const Difference d = compare(*actual, *expected, 8);
    const auto allowed = std::size_t(0.005 * kSize * kSize);
    if (d.differing > allowed) {
      const std::filesystem::path folder = VANTOREL_ACTUAL_DIR;
      std::filesystem::create_directories(folder);
      writePicture(*actual, folder / (painted ? "dense_painted.actual.png" : "dense.actual.png"));
      writePicture(*expected, folder / (painted ? "dense_painted.whole.png" : "dense.whole.png"));
      writePicture(d.map, folder / (painted ? "dense_painted.diff.png" : "dense.diff.png"));
    }
    EXPECT_LE(d.differing, allowed) << (painted ? "painted: " : "plain: ") << d.differing
                                    << " pixels differ (largest " << d.largest << ")";
  }
}

}  // namespace
}  // namespace vantorel::testing
