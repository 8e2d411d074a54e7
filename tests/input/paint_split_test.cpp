#include "input/paint_split.h"
#include "threemf_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vantorel {
namespace {

TEST(PaintSplit, Codes) {
  struct Row {
    std::string code;
    std::vector<std::uint8_t> states;  // in code order; empty: unreadable
  };
  const std::string deepest = std::string(17, '0') + std::string(16, '1');
  const std::vector<Row> rows = {
      {"8", {2}},
      {"40843", {1, 2, 0, 1}},  // four children, the last one first
      {"2C", {5}},              // 3 means 3 plus the next digit
      {"fc", {18}},
      {"841", {1, 2}},
      {deepest, std::vector<std::uint8_t>(17, 0)},
      {"0" + deepest + "1", {}},  // one split deeper than the bound
      {"", {}},
      {"G", {}},
      {"3", {}},     // ends inside its tree
      {"C", {}},     // ends inside an escape
      {"448", {}},   // digits past its tree
      {"88D", {}},   // special corner 3
  };
  const std::array<Float3, 3> triangle{Float3{0, 0, 0}, Float3{2, 0, 0}, Float3{0, 2, 0}};
  for (const Row& row : rows) {
    std::vector<Float3> corners(1);
    std::vector<std::uint8_t> states;
    const bool ok = PaintSplit::split(row.code, triangle, corners, states);
    EXPECT_EQ(ok, !row.states.empty()) << row.code;
    EXPECT_EQ(states, row.states) << row.code;
    EXPECT_EQ(corners.size(), 1 + 3 * states.size()) << row.code;
    const auto size = PaintSplit::measure(row.code);
    EXPECT_EQ(size.has_value(), ok) << row.code;
    EXPECT_EQ(size ? size->leaves : 0, row.states.size()) << row.code;
  }

  // Which corners each child takes: halving the side opposite the special corner, the two sides
  // meeting at it, or all three.
  struct Shape {
    std::string code;
    std::vector<Float3> corners;
  };
  const std::vector<Shape> shapes = {
      {"001", {{1, 1, 0}, {0, 2, 0}, {0, 0, 0}, {0, 0, 0}, {2, 0, 0}, {1, 1, 0}}},
      {"005", {{0, 1, 0}, {0, 0, 0}, {2, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 1, 0}}},
      {"0002", {{2, 0, 0}, {0, 2, 0}, {0, 1, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
      {"00003", {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 0}, {0, 1, 0},
                 {1, 0, 0}, {2, 0, 0}, {1, 1, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
  };
  for (const Shape& s : shapes) {
    std::vector<Float3> corners;
    std::vector<std::uint8_t> states;
    ASSERT_TRUE(PaintSplit::split(s.code, triangle, corners, states)) << s.code;
    EXPECT_EQ(corners, s.corners) << s.code;
  }
}

double signedVolume(const ModelObject& o) {
  double v = 0;
  for (std::size_t i = 0; i < o.indices.size(); i += 3) {
    const Float3 a = o.positions[o.indices[i]], b = o.positions[o.indices[i + 1]], c = o.positions[o.indices[i + 2]];
    v += (double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) - double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
          double(a.z) * (double(b.x) * c.y - double(b.y) * c.x)) / 6;
  }
  return v;
}

// Triangles of `o` shown in `colour`, or with no colour when it is absent.
std::size_t trianglesIn(const PrintModel& m, const ModelObject& o, std::optional<RGBA> colour) {
  std::int32_t wanted = -1;
  if (colour) {
    const auto it = std::find(m.palette.begin(), m.palette.end(), *colour);
    if (it == m.palette.end()) return 0;
    wanted = std::int32_t(it - m.palette.begin());
  }
  if (!o.triangleColors) return o.color.value_or(-1) == wanted ? o.triangleCount() : 0;
  return std::size_t(std::count(o.triangleColors->begin(), o.triangleColors->end(), wanted));
}

TEST(PaintSplit, PaintedCubes) {
  using test::boxMesh;
  const auto object = [](int id, std::string (*paint)(int)) {
    return "<object id=\"" + std::to_string(id) + "\" type=\"model\">" + boxMesh({0, 0, 0}, {10, 10, 10}, paint) +
           "</object>";
  };
  const std::string resources =
      object(1, [](int i) { return std::string(i < 2 ? "paint_color=\"8\"" : ""); }) +
      object(2, [](int i) { return std::string(i == 0 ? "slic3rpe:mmu_segmentation=\"40843\"" : ""); }) +
      object(3, [](int i) { return std::string(i == 0 ? "paint_color=\"2C\" paint_seam=\"8\"" : ""); }) +
      object(4, [](int i) { return std::string(i == 0 ? "paint_color=\"3\"" : ""); }) +
      object(5, [](int i) {
        return i == 0 ? "paint_color=\"" + std::string(18, '0') + std::string(17, '1') + "\"" : std::string();
      });
  const std::string settings =
      R"({"filament_colour": ["#FF0000", "#00FF00", "#0000FF", "#FFFF00", "#00FFFF", "#FF00FF"]})";
  const PrintModel m = test::load3MF(test::package({{"3D/3dmodel.model", test::modelPart(resources, test::items({1, 2, 3, 4, 5}))},
                                                    {"Metadata/project_settings.config", settings}}));
  ASSERT_EQ(m.objects.size(), 5u);
  const RGBA red = *RGBA::hex("#FF0000"), green = *RGBA::hex("#00FF00"), cyan = *RGBA::hex("#00FFFF");
  struct Expected {
    std::size_t triangles, vertices, red, green, cyan, none;
  };
  const Expected expected[] = {{12, 8, 0, 2, 0, 10}, {15, 11, 2, 1, 0, 12}, {12, 8, 0, 0, 1, 11},
                               {12, 8, 0, 0, 0, 12}, {12, 8, 0, 0, 0, 12}};
  for (std::size_t i = 0; i < 5; ++i) {
    const ModelObject& o = m.objects[i];
    const Expected& e = expected[i];
    EXPECT_EQ(o.triangleCount(), e.triangles) << i;
    EXPECT_EQ(o.positions.size(), e.vertices) << i;  // midpoints shared between sub-triangles
    EXPECT_EQ(trianglesIn(m, o, red), e.red) << i;
    EXPECT_EQ(trianglesIn(m, o, green), e.green) << i;
    EXPECT_EQ(trianglesIn(m, o, cyan), e.cyan) << i;
    EXPECT_EQ(trianglesIn(m, o, std::nullopt), e.none) << i;
    EXPECT_NEAR(signedVolume(o), 1000, 1e-3) << i;  // sub-triangles wind as their triangle
  }
  EXPECT_EQ(m.notes, (std::vector<std::string>{"Painted areas are shown in their filament colors.",
                                               "2 painted triangles couldn't be read and show their part's color.",
                                               "Colors from the slicer's filament settings."}));
}

}  // namespace
}  // namespace vantorel
