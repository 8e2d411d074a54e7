#include "dense_model.h"
#include "input/sample_models.h"
#include "staging/bounds.h"
#include "studio/closed_mesh.h"
#include "studio/reference_geometry.h"
#include "studio/detail_cache.h"
#include "studio/detail_levels.h"
#include "studio/transforms.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <map>
#include <set>
#include <tuple>

namespace vantorel {
namespace {

ModelObject tetrahedron() {
  ModelObject o;
  o.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  o.indices = {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3};
  return o;
}

TEST(HiddenSide, ClosedMeshesHideTheirInsideAndOthersShowBothSides) {
  EXPECT_EQ(hiddenSide(tetrahedron()), HiddenSide::back);
  ModelObject insideOut = tetrahedron();
  for (std::size_t t = 0; t < insideOut.indices.size(); t += 3) std::swap(insideOut.indices[t + 1], insideOut.indices[t + 2]);
  EXPECT_EQ(hiddenSide(insideOut), HiddenSide::front);

  ModelObject open = tetrahedron();
  open.indices.resize(9);
  EXPECT_EQ(hiddenSide(open), HiddenSide::none);
  ModelObject flipped = tetrahedron();
  std::swap(flipped.indices[1], flipped.indices[2]);
  EXPECT_EQ(hiddenSide(flipped), HiddenSide::none);
  ModelObject degenerate = tetrahedron();
  degenerate.indices[2] = degenerate.indices[0];
  EXPECT_EQ(hiddenSide(degenerate), HiddenSide::none);
  ModelObject doubled = tetrahedron();
  doubled.indices.insert(doubled.indices.end(), doubled.indices.begin(), doubled.indices.begin() + 3);
  EXPECT_EQ(hiddenSide(doubled), HiddenSide::none);
}

// Every triangle's winding must agree with its vertex normals, so back-face culling is safe.
void expectOutwardWinding(const ReferenceMesh& mesh) {
  for (const auto& part : mesh.parts) {
    ASSERT_EQ(part.indices.size() % 3, 0u);
    for (std::size_t t = 0; t < part.indices.size(); t += 3) {
      const Float3 a = mesh.positions[part.indices[t]], b = mesh.positions[part.indices[t + 1]],
                   c = mesh.positions[part.indices[t + 2]];
      const Float3 face = cross(b - a, c - a);
      EXPECT_GT(dot(face, mesh.normals[part.indices[t]]), 0) << "triangle " << t / 3;
      EXPECT_GT(dot(face, a + b + c), 0);  // centred shapes: outward means away from the origin
    }
  }
}

TEST(ChamferedBox, SizeWindingAndTopFaceMapping) {
  const ReferenceMesh box = ReferenceMesh::chamferedBox(100, 1.6f, 20, 0.4f);
  expectOutwardWinding(box);
  EXPECT_EQ(Bounds::of(box.positions), (Bounds{{-50, -0.8f, -10}, {50, 0.8f, 10}}));
  ASSERT_EQ(box.parts.size(), 2u);
  EXPECT_EQ(box.parts[1].material, 1u);
  EXPECT_EQ(box.parts[1].indices.size(), 6u);  // the flat top only
  for (std::uint32_t i : box.parts[1].indices) {
    const Float3 p = box.positions[i];
    EXPECT_FLOAT_EQ(p.y, 0.8f);
    EXPECT_FLOAT_EQ(box.uvs[2 * i], p.x < 0 ? 0.0f : 1.0f);      // left edge of the image at −X
    EXPECT_FLOAT_EQ(box.uvs[2 * i + 1], p.z < 0 ? 0.0f : 1.0f);  // top edge of the image at the back
  }
  EXPECT_EQ(box.uvs.size(), 2 * box.positions.size());
}

TEST(Cylinder, SizeAndWinding) {
  const ReferenceMesh disc = ReferenceMesh::cylinder(12, 1.75f, 48);
  expectOutwardWinding(disc);
  const Bounds bounds = Bounds::of(disc.positions);
  EXPECT_NEAR(bounds.max.x, 12, 1e-5);
  EXPECT_NEAR(bounds.min.z, -12, 0.03);
  EXPECT_FLOAT_EQ(bounds.max.y, 0.875f);
}

TEST(Transforms, LookAtPutsTheTargetStraightAhead) {
  const Matrix4 view = lookAt({10, 20, 30}, {0, 5, 0});
  const Float3 target = transformPoint(view, {0, 5, 0});
  EXPECT_NEAR(std::hypot(target.x, target.y), 0, 1e-4);
  EXPECT_LT(target.z, 0);
  // Looking straight down still gives a finite matrix.
  const Matrix4 down = lookAt({0, 10, 0}, {0, 0, 0});
  for (float v : down.m) EXPECT_TRUE(std::isfinite(v));
}

// The edges between two colours, as pairs of points: where a copy must keep every border exactly.
std::set<std::array<float, 6>> colourBorders(const ModelObject& object) {
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::int32_t> owner;
  std::set<std::array<float, 6>> borders;
  for (std::size_t t = 0; t < object.triangleCount(); ++t)
    for (int k = 0; k < 3; ++k) {
      const std::uint32_t a = object.indices[3 * t + std::size_t(k)], b = object.indices[3 * t + std::size_t(k + 1) % 3];
      const std::int32_t colour = (*object.triangleColors)[t];
      const auto other = owner.find({b, a});
      if (other == owner.end()) {
        owner[{a, b}] = colour;
      } else if (other->second != colour) {
        Float3 p = object.positions[a], q = object.positions[b];
        if (std::tie(q.x, q.y, q.z) < std::tie(p.x, p.y, p.z)) std::swap(p, q);
        borders.insert({p.x, p.y, p.z, q.x, q.y, q.z});
      }
    }
  return borders;
}

TEST(DetailCopy, DenseObjectsShrinkAndKeepTheirColourBorders) {
  EXPECT_FALSE(Detail::simplified(SampleModels::twistedVase().objects[0], 0.05f));  // not dense
  const ModelObject painted = testing::denseModel(300, 300, true);
  const auto copy = Detail::simplified(painted, 0.05f);
  ASSERT_TRUE(copy);
  EXPECT_LT(copy->triangleCount(), painted.triangleCount() / 8);
  EXPECT_LT(copy->positions.size(), painted.positions.size() / 4);  // only the points it uses
  EXPECT_EQ(Detail::colourKeys(*copy), Detail::colourKeys(painted));
  const auto borders = colourBorders(painted);
  EXPECT_GT(borders.size(), 300u);
  EXPECT_EQ(colourBorders(*copy), borders);
  // Each level's error is half an octave above the last, and a picture's pixel picks a level below it.
  for (const float pixel : {0.01f, 0.1f, 1.0f}) {
    const int level = Detail::levelFor(pixel);
    EXPECT_LE(Detail::levelError(level), Detail::kSurfaceErrorPixels * pixel);
    EXPECT_GT(Detail::levelError(level + 1), Detail::kSurfaceErrorPixels * pixel);
  }
}

TEST(DetailCache, KeptCopiesAndOcclusionComeBackAndDamagedOrForeignOnesArePassedOver) {
  const auto folder = std::filesystem::temp_directory_path() / ("vantorel-cache-test-" + std::to_string(::getpid()));
  const char* before = std::getenv("XDG_CACHE_HOME");
  const std::string saved = before ? before : "";
  ::setenv("XDG_CACHE_HOME", folder.c_str(), 1);
  const ModelObject object = testing::denseModel(200, 200, true);
  const std::uint64_t print = DetailCache::fingerprint(object);
  ModelObject recoloured = object;
  (*recoloured.triangleColors)[0] ^= 1;
  EXPECT_NE(DetailCache::fingerprint(recoloured), print);
  const auto copy = Detail::simplified(object, 0.1f);
  ASSERT_TRUE(copy);
  EXPECT_FALSE(DetailCache::find(print, 0.1f, object));
  DetailCache::keep(print, 0.1f, *copy);
  const auto kept = DetailCache::find(print, 0.1f, object);
  ASSERT_TRUE(kept);
  EXPECT_EQ(*kept, *copy);
  EXPECT_FALSE(DetailCache::find(print, 0.2f, object));
  EXPECT_FALSE(DetailCache::find(print ^ 1, 0.1f, object));
  // A form's occlusion comes back for its own key and point count only.
  const std::vector<std::uint8_t> open{0, 128, 255};
  DetailCache::keepOcclusion(print, open);
  EXPECT_EQ(DetailCache::findOcclusion(print, 3), open);
  EXPECT_FALSE(DetailCache::findOcclusion(print, 4));
  EXPECT_FALSE(DetailCache::findOcclusion(print ^ 1, 3));
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) std::filesystem::resize_file(entry.path(), entry.file_size() - 4);
  EXPECT_FALSE(DetailCache::find(print, 0.1f, object));
  EXPECT_FALSE(DetailCache::findOcclusion(print, 3));
  std::filesystem::remove_all(folder);
  if (before) ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
  else ::unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace vantorel
