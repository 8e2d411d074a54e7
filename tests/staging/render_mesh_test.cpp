#include "staging/render_mesh.h"

#include "input/sample_models.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <set>
#include <tuple>

using namespace vantorel;

namespace {

// A unit cube: 8 welded corners, 12 outward-facing triangles.
ModelObject cube() {
  ModelObject o;
  o.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  o.indices = {0, 2, 1, 0, 3, 2,  4, 5, 6, 4, 6, 7,  0, 1, 5, 0, 5, 4,
               2, 3, 7, 2, 7, 6,  1, 2, 6, 1, 6, 5,  0, 4, 7, 0, 7, 3};
  return o;
}

// Two triangles sharing the edge (0,0,0)–(0,1,0); the second is folded up by `degrees`.
ModelObject hinge(float degrees, float secondWidth = 1) {
  const float r = degrees * 3.14159265f / 180.0f;
  ModelObject o;
  o.positions = {{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {secondWidth * std::cos(r), 0, secondWidth * std::sin(r)}};
  o.indices = {0, 1, 2, 0, 3, 1};
  return o;
}

// Three separate triangles, so each output vertex belongs to one triangle.
ModelObject threeTriangles() {
  ModelObject o;
  for (int t = 0; t < 3; ++t) {
    const float x = float(10 * t);
    o.positions.insert(o.positions.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}});
    o.indices.insert(o.indices.end(), {std::uint32_t(3 * t), std::uint32_t(3 * t + 1), std::uint32_t(3 * t + 2)});
  }
  return o;
}

// Which input triangle (0, 1 or 2) of threeTriangles() an output triangle came from.
std::vector<int> trianglesOf(const RenderMesh& mesh, const RenderMesh::Group& group) {
  std::vector<int> triangles;
  for (std::size_t i = 0; i < group.indices.size(); i += 3) triangles.push_back(int(mesh.positions[group.indices[i]].x / 10));
  return triangles;
}

}  // namespace

TEST(RenderMesh, CubeSplitsEveryCornerThreeWays) {
  const RenderMesh mesh = RenderMesh::build(cube(), 32);
  EXPECT_EQ(mesh.positions.size(), 24u);
  ASSERT_EQ(mesh.normals.size(), 24u);
  std::set<std::tuple<float, float, float>> axes;
  for (const Float3& n : mesh.normals) {
    EXPECT_EQ(std::abs(n.x) + std::abs(n.y) + std::abs(n.z), 1.0f) << n.x << " " << n.y << " " << n.z;
    axes.insert({n.x, n.y, n.z});
  }
  EXPECT_EQ(axes.size(), 6u);
  ASSERT_EQ(mesh.groups.size(), 1u);
  EXPECT_EQ(mesh.groups[0].color, -1);
  EXPECT_EQ(mesh.groups[0].indices.size(), 36u);
  // Every output triangle's vertices carry its own face normal.
  for (std::size_t i = 0; i < 36; i += 3) {
    const auto& ix = mesh.groups[0].indices;
    const Float3 a = mesh.positions[ix[i]], b = mesh.positions[ix[i + 1]], c = mesh.positions[ix[i + 2]];
    const Float3 face = normalize(cross(b - a, c - a));
    for (int k = 0; k < 3; ++k) EXPECT_EQ(mesh.normals[ix[i + k]], face);
  }
}

TEST(RenderMesh, WideCreaseAngleSmoothsTheCube) {
  // At 100° the three faces at a corner (90° apart) all count, so corners stay welded.
  const RenderMesh mesh = RenderMesh::build(cube(), 100);
  EXPECT_EQ(mesh.positions.size(), 8u);
  for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
    const Float3 outward = normalize(mesh.positions[i] - Float3{0.5f, 0.5f, 0.5f});
    EXPECT_GT(dot(mesh.normals[i], outward), 0.9f);
  }
}

TEST(RenderMesh, FoldBeyondTheCreaseAngleSplitsTheSharedEdge) {
  EXPECT_EQ(RenderMesh::build(hinge(45), 32).positions.size(), 6u);
  EXPECT_EQ(RenderMesh::build(hinge(20), 32).positions.size(), 4u);
  // The studio's angle is the default threshold.
  EXPECT_EQ(RenderMesh::build(hinge(31)).positions.size(), 4u);
  EXPECT_EQ(RenderMesh::build(hinge(33)).positions.size(), 6u);
  EXPECT_EQ(RenderMesh::build(hinge(33), 34).positions.size(), 4u);
}

TEST(RenderMesh, LargerFacesWeighMore) {
  // The folded face is four times as wide, so the shared edge leans towards its normal.
  const RenderMesh mesh = RenderMesh::build(hinge(60, 4), 90);
  ASSERT_EQ(mesh.positions.size(), 4u);
  const Float3 flat{0, 0, 1};
  const Float3 folded = normalize(cross(Float3{4 * 0.5f, 0, 4 * 0.8660254f}, Float3{0, 1, 0}));
  const Float3 shared = mesh.normals[0];  // vertex (0,0,0)
  EXPECT_GT(dot(shared, folded), dot(shared, flat));
  const Float3 expected = normalize(Float3{0, 0, 1} + folded * 4);
  EXPECT_NEAR(dot(shared, expected), 1.0f, 1e-6);
}

TEST(RenderMesh, DegenerateAndMalformedInput) {
  // A zero-area triangle faces up.
  ModelObject line = hinge(0);
  line.positions.insert(line.positions.end(), {{5, 5, 5}, {6, 6, 6}, {7, 7, 7}});
  line.indices.insert(line.indices.end(), {4, 5, 6});
  const RenderMesh flat = RenderMesh::build(line, 32);
  const auto& ix = flat.groups[0].indices;
  ASSERT_EQ(ix.size(), 9u);
  for (int k = 6; k < 9; ++k) EXPECT_EQ(flat.normals[ix[std::size_t(k)]], (Float3{0, 0, 1}));

  // No triangles: one empty group in the object's colour.
  ModelObject empty;
  empty.positions = {{1, 2, 3}};
  empty.color = 4;
  const RenderMesh none = RenderMesh::build(empty);
  EXPECT_TRUE(none.positions.empty() && none.normals.empty());
  EXPECT_EQ(none.groups, (std::vector<RenderMesh::Group>{{4, {}}}));
  empty.color.reset();
  empty.triangleColors = std::vector<std::int32_t>{};
  EXPECT_EQ(RenderMesh::build(empty).groups, (std::vector<RenderMesh::Group>{{-1, {}}}));

  // A trailing incomplete triangle is ignored, one with an index out of range left out.
  ModelObject trailing = cube();
  trailing.indices.insert(trailing.indices.end(), {0, 1});
  EXPECT_EQ(RenderMesh::build(trailing), RenderMesh::build(cube()));
  ModelObject outOfRange = threeTriangles();
  outOfRange.indices[4] = 99;
  const RenderMesh kept = RenderMesh::build(outOfRange);
  EXPECT_EQ(kept.positions.size(), 6u);
  ASSERT_EQ(kept.groups.size(), 1u);
  EXPECT_EQ(trianglesOf(kept, kept.groups[0]), (std::vector<int>{0, 2}));
}

TEST(RenderMesh, ColourGroupsAscendWithUncolouredTrianglesTakingTheObjectColour) {
  using Groups = std::vector<std::pair<std::int64_t, std::vector<int>>>;  // colour, source triangles
  struct Row {
    std::optional<std::vector<std::int32_t>> triangleColors;
    std::optional<std::int64_t> color;
    Groups groups;
  };
  const Row rows[] = {
      {std::vector<std::int32_t>{2, -1, 2}, 0, {{0, {1}}, {2, {0, 2}}}},
      {std::vector<std::int32_t>{2, -1, 2}, std::nullopt, {{-1, {1}}, {2, {0, 2}}}},
      {std::nullopt, 3, {{3, {0, 1, 2}}}},  // without per-triangle colours, one group of everything
  };
  for (const Row& row : rows) {
    ModelObject o = threeTriangles();
    o.triangleColors = row.triangleColors;
    o.color = row.color;
    const RenderMesh mesh = RenderMesh::build(o);
    Groups groups;
    for (const auto& group : mesh.groups) groups.push_back({group.color, trianglesOf(mesh, group)});
    EXPECT_EQ(groups, row.groups) << (row.color ? *row.color : -1);
  }
}

TEST(RenderMesh, GroupsCoverEveryTriangleOnce) {
  ModelObject vase = SampleModels::twistedVase().objects[0];
  std::vector<std::int32_t> colors;
  for (std::size_t t = 0; t < vase.triangleCount(); ++t) colors.push_back(std::int32_t(t % 5) - 1);
  vase.triangleColors = colors;
  vase.color = 7;
  const RenderMesh mesh = RenderMesh::build(vase);
  std::size_t total = 0;
  for (std::size_t g = 0; g < mesh.groups.size(); ++g) {
    total += mesh.groups[g].indices.size();
    EXPECT_TRUE(g == 0 || mesh.groups[g - 1].color < mesh.groups[g].color) << g;  // colours ascend
    for (std::uint32_t i : mesh.groups[g].indices) EXPECT_LT(i, mesh.positions.size());
  }
  EXPECT_EQ(total, vase.indices.size());
  ASSERT_EQ(mesh.groups.size(), 5u);  // 0, 1, 2, 3 and the object's 7 for the −1 entries
  EXPECT_EQ(mesh.groups.back().color, 7);
}
