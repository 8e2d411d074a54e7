#include "input/load_error.h"
#include "threemf_fixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

namespace vantorel {
namespace {

using test::box;
using test::boxMesh;
using test::items;
using test::load3MF;
using test::modelPart;
using test::package;
using test::single;

// Bounds of an object, min x, y, z then max x, y, z, against `expected`.
void expectBounds(const ModelObject& o, std::array<float, 6> expected) {
  std::array<float, 6> b{INFINITY, INFINITY, INFINITY, -INFINITY, -INFINITY, -INFINITY};
  for (const Float3& p : o.positions) {
    b = {std::min(b[0], p.x), std::min(b[1], p.y), std::min(b[2], p.z),
         std::max(b[3], p.x), std::max(b[4], p.y), std::max(b[5], p.z)};
  }
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(b[i], expected[i], 1e-4) << o.name << " bound " << i;
}

// Signed volume of a closed mesh: positive when the triangles wind outward.
double signedVolume(const ModelObject& o) {
  double v = 0;
  for (std::size_t i = 0; i < o.indices.size(); i += 3) {
    const Float3 a = o.positions[o.indices[i]], b = o.positions[o.indices[i + 1]], c = o.positions[o.indices[i + 2]];
    v += (double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) - double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
          double(a.z) * (double(b.x) * c.y - double(b.y) * c.x)) /
         6;
  }
  return v;
}

// The refusal's payload, "(empty)", or how many triangles were read.
std::string outcome(const test::Bytes& bytes, const ThreeMFReader::Limits& limits = ModelLoader::threeMFLimits()) {
  std::size_t triangles = 0;
  const auto e = test::refusal([&] { triangles = load3MF(bytes, limits).triangleCount(); });
  return !e ? std::to_string(triangles) + " triangles" : e->kind() == LoadError::Kind::empty ? "(empty)" : e->payload();
}

std::string holder(int id, std::vector<int> children, std::string_view attrs = "") {
  std::string s = "<object id=\"" + std::to_string(id) + "\" " + std::string(attrs) + "><components>";
  for (int c : children) s += "<component objectid=\"" + std::to_string(c) + "\"/>";
  return s + "</components></object>";
}

// Object k places object k + 1; the last one has the mesh.
std::string chain(int levels) {
  std::string s;
  for (int k = 1; k < levels; ++k) s += holder(k, {k + 1});
  return s + box(levels);
}

// A main part and one other part, which holds only resources.
test::Bytes twoParts(std::string_view mainResources, std::string_view build, std::string_view part,
                     std::string_view partResources) {
  return package({{"3D/3dmodel.model", modelPart(mainResources, build)},
                  {std::string(part), modelPart(partResources, "")}});
}

TEST(ThreeMFBuild, ItemsBecomeObjectsWithNamesAndSkippedSupports) {
  const PrintModel m = load3MF(single(box(1, "name=\"Base\"") + box(2, "type=\"support\"") + box(3), items({1, 2, 3})));
  EXPECT_EQ(m.name, "fixture");
  EXPECT_EQ(m.format, ModelFormat::threeMF);
  ASSERT_EQ(m.objects.size(), 2u);
  EXPECT_EQ(m.objects[0].id, 0);
  EXPECT_EQ(m.objects[0].name, "Base");
  EXPECT_EQ(m.objects[1].id, 1);
  EXPECT_EQ(m.objects[1].name, "Object 3");
  EXPECT_EQ(m.notes, std::vector<std::string>{"1 support object left out."});
  EXPECT_EQ(m.unit, "millimeter");
  EXPECT_TRUE(m.palette.empty());
  const PrintModel two = load3MF(single(box(1, "type=\"support\"") + box(2, "type=\"other\"") + box(3), items({1, 2, 3})));
  EXPECT_EQ(two.notes, std::vector<std::string>{"2 support objects left out."});
}

TEST(ThreeMFBuild, RefusesBrokenReferencesCyclesAndWhatOutgrowsTheLimits) {
  const auto limited = [](std::int64_t ThreeMFReader::Limits::*field, std::int64_t value) {
    auto limits = ModelLoader::threeMFLimits();
    limits.*field = value;
    return limits;
  };
  // A fan-out into skipped support components is bounded like any other.
  const std::string supports = box(1) + box(2, "type=\"support\"") + holder(3, std::vector<int>(1000, 2)) +
                               holder(4, std::vector<int>(1000, 3)) + holder(5, {1, 4});
  const std::string cycle = "a component refers back to the object that holds it";
  const struct {
    test::Bytes bytes;
    std::string expected;
    ThreeMFReader::Limits limits = ModelLoader::threeMFLimits();
  } cases[] = {
      {single(box(1), items({7})), "a build item points to object 7, which isn't there"},
      {single(box(1), ""), "(empty)"},
      {single(box(1, "type=\"support\""), items({1})), "(empty)"},
      {single(holder(1, {2}), items({1})), "a component points to object 2, which isn't there"},
      {single(chain(16), items({1})), "12 triangles"},
      {single(chain(17), items({1})), "components nest too deeply"},
      {single(holder(1, {1}), items({1})), cycle},
      {single(holder(1, {2}) + holder(2, {3}) + holder(3, {1}), items({1})), cycle},
      {single(holder(1, {2, 2}) + box(2), items({1})), "24 triangles"},  // side by side is no cycle
      {single(supports, items({5})), "it places parts more than 100,000 times"},
      {single(holder(1, std::vector<int>(11, 2)) + box(2), items({1})), "132 triangles", limited(&ThreeMFReader::Limits::placements, 12)},
      {single(holder(1, std::vector<int>(12, 2)) + box(2), items({1})), "it places parts more than 12 times",
       limited(&ThreeMFReader::Limits::placements, 12)},
      // Triangles and vertices count over all items.
      {single(box(1), items({1, 1})), "24 triangles", limited(&ThreeMFReader::Limits::triangles, 24)},
      {single(box(1), items({1, 1, 1})), "it has more than 24 triangles", limited(&ThreeMFReader::Limits::triangles, 24)},
      {single(box(1), items({1, 1})), "it has more than 20,000,000 triangles", limited(&ThreeMFReader::Limits::vertices, 15)},
      {single("<object id=\"1\"><components><component p:path=\"/3D/Objects/b.model\" objectid=\"1\"/>"
              "</components></object>",
              items({1})),
       "a component's model file /3D/Objects/b.model is missing"},
      {single(box(4), "<item objectid=\"4\" p:path=\"/3D/x.model\"/>"), "a component's model file /3D/x.model is missing"},
      {twoParts(box(4), "<item objectid=\"5\" p:path=\"/3D/o.model\"/>", "3D/o.model", box(4)),
       "a build item points to object 5, which isn't there"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(outcome(cases[i].bytes, cases[i].limits), cases[i].expected) << i;

  // Ten levels of ten components each would place 10^10 boxes: refused, and quickly.
  std::string resources = box(10);
  for (int level = 9; level >= 1; --level) resources += holder(level, std::vector<int>(10, level + 1));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(outcome(single(resources, items({1}))), "it places parts more than 100,000 times");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(ThreeMFBuild, TransformsUnitsAndMirroring) {
  const PrintModel m = load3MF(single(box(1, "", {0, 0, 0}, {1, 2, 3}),
                                      "<item objectid=\"1\" transform=\"0 1 0 -1 0 0 0 0 1 10 20 30\"/>"
                                      "<item objectid=\"1\" transform=\"-1 0 0 0 1 0 0 0 1 0 0 0\"/>",
                                      "inch"));
  ASSERT_EQ(m.objects.size(), 2u);
  // Turned 90° about z, then moved; translations are in file units too.
  expectBounds(m.objects[0], {(10 - 2) * 25.4f, 20 * 25.4f, 30 * 25.4f, 10 * 25.4f, 21 * 25.4f, 33 * 25.4f});
  EXPECT_GT(signedVolume(m.objects[0]), 0);
  expectBounds(m.objects[1], {-25.4f, 0, 0, 0, 2 * 25.4f, 3 * 25.4f});
  EXPECT_GT(signedVolume(m.objects[1]), 0);  // mirrored, yet still wound outward
  EXPECT_EQ(m.unit, "inch");
  EXPECT_EQ(m.notes, std::vector<std::string>{"Units: inch (converted to millimeters)."});

  const PrintModel micron = load3MF(single(box(1, "", {0, 0, 0}, {1000, 2000, 500}), items({1}), "micron"));
  expectBounds(micron.objects[0], {0, 0, 0, 1, 2, 0.5f});
  const PrintModel odd = load3MF(single(box(1), items({1}), "Parsec"));
  expectBounds(odd.objects[0], {0, 0, 0, 10, 10, 10});
  EXPECT_EQ(odd.notes, std::vector<std::string>{"Units: parsec (converted to millimeters)."});
}

TEST(ThreeMFComponents, NestAndRepeatWithComposedTransforms) {
  const PrintModel m = load3MF(single(
      box(1) +
          "<object id=\"2\"><components><component objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 100 0 0\"/>"
          "<component objectid=\"1\" transform=\"2 0 0 0 2 0 0 0 2 0 0 0\"/></components></object>"
          "<object id=\"3\" name=\"Pair\"><components><component objectid=\"2\" transform=\"1 0 0 0 1 0 0 0 1 0 0 5\"/>"
          "</components></object>",
      "<item objectid=\"3\" transform=\"1 0 0 0 1 0 0 0 1 0 7 0\"/>"));
  ASSERT_EQ(m.objects.size(), 1u);
  EXPECT_EQ(m.objects[0].name, "Pair");
  EXPECT_EQ(m.objects[0].triangleCount(), 24u);
  EXPECT_EQ(m.objects[0].positions.size(), 16u);
  expectBounds(m.objects[0], {0, 7, 5, 110, 27, 25});
}

// Parts under 3D/Objects are loaded once, whatever the case of the path; files written by the 3MF
// Consortium's library put a build item's object in another part too.
TEST(ThreeMFComponents, PartsNamedByPathAreLoadedOnce) {
  const PrintModel m = load3MF(twoParts("<object id=\"1\"><components>"
                                        "<component p:path=\"/3D/Objects/a.model\" objectid=\"1\"/>"
                                        "<component p:path=\"/3d/objects/A.model\" objectid=\"1\" "
                                        "transform=\"1 0 0 0 1 0 0 0 1 0 0 10\"/></components></object>",
                                        items({1}), "3D/Objects/a.model", box(1, "", {0, 0, 0}, {1, 1, 1})));
  expectBounds(m.objects[0], {0, 0, 0, 1, 1, 11});

  const PrintModel gear = load3MF(
      twoParts("", "<item objectid=\"4\" p:path=\"/3D/Objects/gear.model\" transform=\"1 0 0 0 1 0 0 0 1 1 2 3\"/>",
               "3D/Objects/gear.model", box(4, "name=\"Gear\"")));
  ASSERT_EQ(gear.objects.size(), 1u);
  EXPECT_EQ(gear.objects[0].name, "Gear");
  expectBounds(gear.objects[0], {1, 2, 3, 11, 12, 13});
}

TEST(ThreeMFColours, FromMaterialsPropertiesAndDefaults) {
  const std::string groups =
      "<basematerials id=\"1\"><base displaycolor=\"#FF0000\"/><base displaycolor=\"#00FF00\"/></basematerials>"
      "<colorgroup id=\"2\"><color color=\"#0000FF\"/><color color=\"#FF0000\"/></colorgroup>";
  const auto some = [](int i) { return std::string(i % 2 ? "p1=\"1\"" : ""); };
  const auto bytes = single(
      groups + box(1, "pid=\"1\"") + box(2) +
          "<object id=\"3\" pid=\"2\" pindex=\"0\">" + boxMesh({0, 0, 0}, {1, 1, 1}, some) + "</object>" +
          "<object id=\"4\">" +
          boxMesh({0, 0, 0}, {1, 1, 1}, [](int i) { return std::string(i < 6 ? "pid=\"2\" p1=\"0\"" : ""); }) +
          "</object>" + "<object id=\"5\">" +
          boxMesh({0, 0, 0}, {1, 1, 1}, [](int) { return std::string("pid=\"2\" p1=\"9\""); }) + "</object>" +
          holder(6, {2}, "pid=\"1\" pindex=\"1\""),
      items({1, 2, 3, 4, 5, 6}));
  const PrintModel m = load3MF(bytes);
  ASSERT_EQ(m.objects.size(), 6u);
  // pid without pindex: entry 0.
  EXPECT_EQ(m.objects[0].color, 0);
  EXPECT_FALSE(m.objects[0].triangleColors);
  EXPECT_FALSE(m.objects[1].color);
  EXPECT_FALSE(m.objects[1].triangleColors);
  // Odd triangles name entry 1 of the default group, even ones fall back to the default colour.
  ASSERT_TRUE(m.objects[2].triangleColors);
  EXPECT_EQ((*m.objects[2].triangleColors)[0], 1);
  EXPECT_EQ((*m.objects[2].triangleColors)[1], 0);
  // Half the triangles coloured: per-triangle colours with -1.
  ASSERT_TRUE(m.objects[3].triangleColors);
  EXPECT_EQ((*m.objects[3].triangleColors)[0], 1);
  EXPECT_EQ((*m.objects[3].triangleColors)[11], -1);
  // An index past its group gives no colour.
  EXPECT_FALSE(m.objects[4].color);
  EXPECT_FALSE(m.objects[4].triangleColors);
  // A component inherits its holder's default property.
  EXPECT_EQ(m.objects[5].color, 2);
  EXPECT_EQ(m.palette, (std::vector<RGBA>{{1, 0, 0, 1}, {0, 0, 1, 1}, {0, 1, 0, 1}}));
  EXPECT_TRUE(m.hasColors());
}

TEST(ThreeMFFixtures, SlicerProject) {
  const PrintModel m = load3MF(test::slicerProjectPackage());
  ASSERT_EQ(m.objects.size(), 2u);
  EXPECT_EQ(m.objects[0].name, "Left cube");
  EXPECT_EQ(m.objects[0].triangleCount(), 12u);  // the modifier and the support blocker are left out
  expectBounds(m.objects[0], {100, 100, 0, 120, 120, 20});
  // Extruder 2, with its two painted triangles in extruder 1.
  EXPECT_EQ(m.objects[0].triangleColors, (std::vector<std::int32_t>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(m.objects[1].name, "Right & tall");
  expectBounds(m.objects[1], {150, 100, 0, 160, 110, 30});
  ASSERT_TRUE(m.objects[1].triangleColors);
  const auto& colours = *m.objects[1].triangleColors;
  EXPECT_EQ(std::count(colours.begin(), colours.begin() + 12, 2), 12);  // part extruder 3
  EXPECT_EQ(std::count(colours.begin() + 12, colours.end(), 1), 12);    // the object's extruder 1
  EXPECT_EQ(m.palette, (std::vector<RGBA>{{0, 1, 0, 1}, {1, 0, 0, 1}, {0, 0, 1, 1}}));
  EXPECT_EQ(m.notes, (std::vector<std::string>{"Painted areas are shown in their filament colors.",
                                               "1 support object left out.",
                                               "Colors from the slicer's filament settings."}));
}

TEST(ThreeMFFixtures, Slic3rVolumes) {
  const PrintModel m = load3MF(test::slic3rPackage());
  ASSERT_EQ(m.objects.size(), 1u);
  EXPECT_EQ(m.objects[0].name, "Two blocks");
  expectBounds(m.objects[0], {5, 5, 0, 35, 15, 10});
  ASSERT_TRUE(m.objects[0].triangleColors);
  std::vector<std::int32_t> expected(12, 0);
  expected.resize(24, 1);
  EXPECT_EQ(*m.objects[0].triangleColors, expected);
  EXPECT_EQ(m.palette, (std::vector<RGBA>{*RGBA::hex("#FF8000"), *RGBA::hex("#29B2B2")}));
  EXPECT_EQ(m.notes, std::vector<std::string>{"Colors from the slicer's filament settings."});
}

TEST(ThreeMFFixtures, Slic3rVolumeExtruderZeroFollowsTheObject) {
  const std::string main = modelPart(box(1), items({1}));
  const std::string config = "; filament_colour = #FF0000;#00FF00\n";
  const auto withObjectExtruder = [&](std::string objectMetadata) {
    return test::package({{"3D/3dmodel.model", main},
                          {"Metadata/Slic3r_PE.config", config},
                          {"Metadata/Slic3r_PE_model.config",
                           "<config><object id=\"1\">" + objectMetadata +
                               "<volume firstid=\"0\" lastid=\"11\"><metadata type=\"volume\" key=\"extruder\" "
                               "value=\"0\"/></volume></object></config>"}});
  };
  const PrintModel second =
      load3MF(withObjectExtruder("<metadata type=\"object\" key=\"extruder\" value=\"2\"/>"));
  EXPECT_EQ(second.palette, (std::vector<RGBA>{{0, 1, 0, 1}}));
  EXPECT_EQ(second.objects[0].color, 0);
  // Without an object extruder, extruder 0 counts as the first.
  EXPECT_EQ(load3MF(withObjectExtruder("")).palette, (std::vector<RGBA>{{1, 0, 0, 1}}));
}

TEST(ThreeMFFixtures, CopiedPartsKeepTheirOwnExtruders) {
  const auto withParts = [](std::string parts) {
    return package({{"3D/3dmodel.model", modelPart(box(1) + holder(2, {1, 1}), items({2}))},
                    {"Metadata/project_settings.config", R"({"filament_colour": ["#FF0000", "#00FF00"]})"},
                    {"Metadata/model_settings.config", "<config><object id=\"2\">" + parts + "</object></config>"}});
  };
  const auto part = [](int extruder) {
    return "<part id=\"1\"><metadata key=\"extruder\" value=\"" + std::to_string(extruder) + "\"/></part>";
  };
  // One entry per component: by position, so the copies differ.
  const PrintModel byPosition = load3MF(withParts(part(1) + part(2)));
  ASSERT_TRUE(byPosition.objects[0].triangleColors);
  std::vector<std::int32_t> expected(12, 0);
  expected.resize(24, 1);
  EXPECT_EQ(*byPosition.objects[0].triangleColors, expected);
  // Otherwise by id, the last entry winning.
  EXPECT_EQ(load3MF(withParts(part(1) + part(2) + part(1))).objects[0].color, 0);
}

TEST(ThreeMFFixtures, PlatesShownOneAtATimeOrAll) {
  using Choice = ThreeMFReader::PlateChoice;
  const test::Bytes bytes = test::threePlatePackage();
  const auto read = [&](Choice c) { return ThreeMFReader::read(bytes, "fixture", ModelLoader::threeMFLimits(), c); };
  const PrintModel first = read({});
  EXPECT_EQ(first.plates, (std::vector<Plate>{{1, "", {"Base"}}, {2, "Pegs", {"Peg", "Peg"}}, {3, "", {"Tower"}}}));
  EXPECT_EQ(first.shownPlate, 1);
  ASSERT_EQ(first.objects.size(), 1u);
  EXPECT_EQ(first.objects[0].name, "Base");
  EXPECT_EQ(first.notes, std::vector<std::string>{"This project has 3 plates; plate 1 is shown."});

  const PrintModel second = read(Choice::plate(2));
  ASSERT_EQ(second.objects.size(), 2u);
  expectBounds(second.objects[1], {320, 0, 0, 330, 10, 10});
  EXPECT_EQ(second.notes, std::vector<std::string>{"This project has 3 plates; plate 2 is shown."});
  EXPECT_EQ(read(Choice::plate(3)).objects[0].name, "Tower");

  const PrintModel all = read(Choice::allPlates());
  EXPECT_EQ(all.objects.size(), 4u);
  EXPECT_FALSE(all.shownPlate);
  EXPECT_EQ(all.notes, std::vector<std::string>{"This project has 3 plates; all of them are shown."});

  const auto missing = test::refusal([&] { read(Choice::plate(5)); });
  ASSERT_TRUE(missing);
  EXPECT_STREQ(missing->what(), "This project has 3 plates; there is no plate 5.");
  // A file without plates loads whole, and has no plate to pick.
  EXPECT_TRUE(load3MF(single(box(1), items({1}))).plates.empty());
  EXPECT_STREQ(test::refusal([] { ModelLoader::load(single(box(1), items({1})), "3mf", "x", Choice::plate(1)); })->what(),
               "This model has no plates, so it has no plate 1.");
}

}  // namespace
}  // namespace vantorel
