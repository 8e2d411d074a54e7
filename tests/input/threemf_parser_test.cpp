#include "input/load_error.h"
#include "threemf_fixtures.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

using namespace ThreeMFReader;
using test::bytesOf;

ModelFile parse(std::string_view xml) { return parseModelPart(bytesOf(xml)); }

std::string parseError(std::string_view xml) {
  const auto e = test::refusal([&] { parse(xml); });
  return e ? e->payload() : "(no error)";
}

const std::string kTriangleMesh =
    "<mesh><vertices><vertex x=\"0\" y=\"0\" z=\"0\"/><vertex x=\"1\" y=\"0\" z=\"0\"/>"
    "<vertex x=\"0\" y=\"1\" z=\"0\"/><vertex x=\"0\" y=\"0\" z=\"1\"/><vertex x=\"1e1\" y=\"-2.5\" z=\".5\"/>"
    "</vertices><triangles>";

std::string objectWith(std::string_view triangles) {
  return "<model><resources><object id=\"1\">" + kTriangleMesh + std::string(triangles) +
         "</triangles></mesh></object></resources></model>";
}

TEST(ThreeMFParse, ReadsObjectsMeshesAndBuild) {
  const ModelFile f = parse(
      "<model unit=\"INCH\" xmlns:p=\"http://schemas.microsoft.com/3dmanufacturing/production/2015/06\"><resources>"
      "<object id=\"1\" name=\"A &amp; B\" type=\"model\" pid=\"4\" pindex=\"2\">" +
      kTriangleMesh +
      "<triangle v1=\"0\" v2=\"1\" v3=\"2\"/><triangle v1=\"4\" v2=\"3\" v3=\"2\"/></triangles></mesh></object>"
      "<object id=\"2\" type=\"support\"><components><component objectid=\"1\" p:path=\"/3D/x.model\" "
      "transform=\"1 0 0 0 1 0 0 0 1 5 6 7\"/></components></object>"
      "<object id=\"3\"/>"
      "</resources><build><item objectid=\"2\" transform=\"1 2 3\"/><item objectid=\"1\" p:path=\"/a.model\"/></build>"
      "<item objectid=\"99\"/></model>");
  EXPECT_EQ(f.unit, "inch");
  const MeshData mesh{
      {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {10, -2.5f, 0.5f}}, {0, 1, 2, 4, 3, 2}, std::nullopt, {}, {}};
  const Component moved{"/3D/x.model", 1, {{1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 6, 7}}};
  EXPECT_EQ(f.objects, (decltype(f.objects){{1, {1, "A & B", "model", 4, 2, mesh, {}}},
                                             {2, {2, std::nullopt, "support", {}, {}, {}, {moved}}},
                                             {3, {3, std::nullopt, "model", {}, {}, {}, {}}}}));
  // Three numbers are no transform; the item after </build> is not part of the build.
  EXPECT_EQ(f.build, (std::vector<BuildItem>{{2, {}, std::nullopt}, {1, {}, "/a.model"}}));
}

TEST(ThreeMFParse, DefaultsAndReplacement) {
  const ModelFile f = parse(
      "<model><resources><object id=\"1\" name=\"old\"/><object id=\"1\" name=\"new\"/>"
      "<object id=\"5\"><mesh/><mesh><vertices><vertex x=\"1\" y=\"1\" z=\"1\"/></vertices></mesh></object>"
      "<object id=\"6\"><mesh>");  // still open at the end: dropped
  EXPECT_EQ(f.unit, "millimeter");
  EXPECT_EQ(f.objects.size(), 2u);
  EXPECT_EQ(f.objects.at(1).name, "new");
  EXPECT_EQ(f.objects.at(1).type, "model");
  EXPECT_EQ(f.objects.at(5).mesh->positions.size(), 1u);
}

TEST(ThreeMFParse, SkipsDegenerateTrianglesPadsPropertiesAndCountsPaint) {
  const ModelFile f = parse(objectWith(
      "<triangle v1=\"0\" v2=\"0\" v3=\"1\" paint_color=\"4\"/>"  // degenerate: skipped, paint not counted
      "<triangle v1=\"0\" v2=\"1\" v3=\"2\" paint_color=\"4\"/><triangle v1=\"0\" v2=\"2\" v3=\"3\" "
      "slic3rpe:mmu_segmentation=\"8\"/>"
      "<triangle v1=\"0\" v2=\"3\" v3=\"1\" pid=\"7\"/><triangle v1=\"1\" v2=\"2\" v3=\"3\" p1=\"2\"/>"
      "<triangle v1=\"1\" v2=\"3\" v3=\"4\" pid=\"7\" p1=\"1\" p2=\"0\"/><triangle v1=\"1\" v2=\"2\" v3=\"4\"/>"));
  const auto& mesh = *f.objects.at(1).mesh;
  EXPECT_EQ(mesh.indices, (MeshArray<std::uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 1, 1, 2, 3, 1, 3, 4, 1, 2, 4}));
  ASSERT_TRUE(mesh.props);
  EXPECT_EQ(*mesh.props, (std::vector<PropertyRef>{{-1, -1}, {-1, -1}, {7, -1}, {-1, 2}, {7, 1}, {-1, -1}}));
  EXPECT_EQ(f.paintedTriangles, 2);
  const ModelFile padded = parse(objectWith("<triangle v1=\"0\" v2=\"1\" v3=\"2\" pid=\"3\" p1=\"0\"/>"
                                            "<triangle v1=\"0\" v2=\"2\" v3=\"3\"/><triangle v1=\"0\" v2=\"3\" v3=\"1\"/>"));
  EXPECT_EQ(padded.objects.at(1).mesh->props->size(), 3u);
}

TEST(ThreeMFParse, RefusesMissingAndOutOfRangeValues) {
  const auto repeated = [](std::string_view open, std::string_view element, int n) {
    std::string s(open);
    for (int i = 0; i < n; ++i) s += element;
    return s;
  };
  const std::string noVertex = "a triangle points to a vertex that isn't there";
  const std::string noCoordinate = "a vertex is missing x, y or z";
  const std::string propertyRange = "a triangle's property number is out of range";
  const std::string tooMany = "a model part holds too many elements";
  const std::pair<std::string, std::string> cases[] = {
      {objectWith("<triangle v1=\"0\" v2=\"1\" v3=\"5\"/>"), noVertex},
      {objectWith("<triangle v1=\"-1\" v2=\"1\" v3=\"2\"/>"), noVertex},
      {objectWith("<triangle v1=\"0\" v2=\"1\"/>"), "a triangle is missing v1, v2 or v3"},
      {objectWith("<triangle v1=\"0\" v2=\"1\" v3=\"2\" pid=\"2147483648\"/>"), propertyRange},
      {objectWith("<triangle v1=\"0\" v2=\"1\" v3=\"2\" p1=\"-2147483649\"/>"), propertyRange},
      {"<model><vertex x=\"1\" y=\"2\" z=\"3\"/></model>", noCoordinate},
      {"<object id=\"1\"><mesh><vertex x=\"1\" y=\"2\"/></mesh></object>", noCoordinate},
      {"<object id=\"1\"><mesh><vertex x=\"1\" y=\"2\" z=\"nan\"/></mesh></object>", noCoordinate},
      {"<object id=\"1\"><triangle v1=\"0\" v2=\"1\" v3=\"2\"/></object>", "a triangle is missing v1, v2 or v3"},
      {"<object name=\"x\"/>", "an object has no id"},
      {"<object id=\"1\"><components><component/></components></object>", "a component has no objectid"},
      {"<build><item transform=\"\"/></build>", "a build item has no objectid"},
      {"<model><resources><object id=\"1\"><mesh><vertices><vertex x=\"1\" y=\"2\"", "an XML tag isn't closed"},
      {"<item/><component objectid=\"1\"/><mesh/>", "(no error)"},  // outside their places these are ignored
      // Parts of empty elements cannot outgrow their size.
      {repeated("<model><resources>", "<object id=\"1\"/>", 100000), tooMany},
      {repeated("<model><resources><object id=\"1\"><components>", "<component objectid=\"2\"/>", 100000), tooMany},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(parseError(cases[i].first), cases[i].second) << i;
  // A few thousand of them, as real files have, are fine.
  std::string some = "<model><resources>";
  for (int i = 0; i < 3000; ++i) some += "<object id=\"" + std::to_string(i) + "\"/>";
  EXPECT_EQ(parse(some).objects.size(), 3000u);
}

TEST(ThreeMFParse, MaterialGroups) {
  const ModelFile f = parse(
      "<model xmlns:m=\"http://schemas.microsoft.com/3dmanufacturing/material/2015/02\"><resources>"
      "<basematerials id=\"1\"><base name=\"a\" displaycolor=\"#FF000080\"/><base name=\"b\"/>"
      "<base displaycolor=\"bogus\"/></basematerials>"
      "<m:colorgroup id=\"2\"><m:color color=\"#00F\"/></m:colorgroup><colorgroup id=\"3\"/>"
      "<colorgroup><color color=\"#FFFFFF\"/></colorgroup><base displaycolor=\"#123456\"/></resources></model>");
  const RGBA grey{0.8, 0.8, 0.8, 1};
  EXPECT_EQ(f.materials.at(1), (std::vector<RGBA>{{1, 0, 0, 128 / 255.0}, grey, grey}));
  EXPECT_EQ(f.materials.at(2), (std::vector<RGBA>{{0, 0, 1, 1}}));
  EXPECT_TRUE(f.materials.at(3).empty());
  EXPECT_EQ(f.materials.at(-1), (std::vector<RGBA>{{1, 1, 1, 1}}));
}

TEST(ThreeMFParse, ReadsMeshesOnlyFromTheCoreNamespaceWhateverItsPrefix) {
  // A slice stack's 2D vertices, and whatever an unknown extension holds, are not mesh data.
  const std::string extensions =
      "<s:slicestack xmlns:s=\"http://schemas.microsoft.com/3dmanufacturing/slice/2015/07\" id=\"9\"><s:slice>"
      "<s:vertices><s:vertex x=\"0\" y=\"0\"/><s:vertex x=\"1\" y=\"0\"/></s:vertices></s:slice></s:slicestack>"
      "<x:shape xmlns:x=\"urn:other\"><vertex x=\"0\"/><triangle v1=\"9\"/><object id=\"7\"/></x:shape>";
  const PrintModel sliced = test::load3MF(test::single(extensions + test::box(1), test::items({1})));
  EXPECT_EQ(sliced.triangleCount(), 12u);
  EXPECT_EQ(sliced.objects.size(), 1u);

  // Every element of the core namespace under a prefix of its own.
  std::string prefixed = test::modelPart(test::box(1), test::items({1}), "inch");
  for (std::size_t at = 0; (at = prefixed.find('<', at)) != std::string::npos; ++at) {
    const std::size_t name = at + 1 + (prefixed[at + 1] == '/');
    if (std::isalpha(static_cast<unsigned char>(prefixed[name]))) prefixed.insert(name, "c:");
  }
  prefixed.replace(prefixed.find("xmlns="), 6, "xmlns:c=");
  const PrintModel core = test::load3MF(test::package({{"3D/3dmodel.model", prefixed}}));
  EXPECT_EQ(core.triangleCount(), 12u);
  EXPECT_EQ(core.unit, "inch");

  // Declarations hold for their element and what it holds; paths come only from the production namespace.
  const ModelFile f = parse(
      "<model xmlns:prod=\"http://schemas.microsoft.com/3dmanufacturing/production/2015/06\"><resources>"
      "<object id=\"1\" xmlns=\"urn:other\"><mesh/></object><object id=\"2\"><components>"
      "<component objectid=\"1\" prod:path=\"/a.model\"/><component objectid=\"1\" path=\"/b.model\"/>"
      "<component objectid=\"1\" p:path=\"/c.model\"/></components></object></resources></model>");
  ASSERT_EQ(f.objects.size(), 1u);
  const auto& components = f.objects.at(2).components;
  ASSERT_EQ(components.size(), 3u);
  EXPECT_EQ(components[0].path, "/a.model");
  EXPECT_FALSE(components[1].path || components[2].path);
  EXPECT_TRUE(parse("<model xmlns=\"urn:other\"><resources><object id=\"1\"/></resources></model>").objects.empty());
}

TEST(ThreeMFParse, UnitFactors) {
  // Micron, inch and unknown units are covered by the assembly tests.
  for (const auto& [unit, factor] : {std::pair{"centimeter", 10.0}, {"foot", 304.8}, {"meter", 1000.0}}) {
    EXPECT_EQ(unitFactor(unit), factor) << unit;
  }
}

TEST(ThreeMFPackage, MainModelPathFollowsTheRelationshipThenFallsBack) {
  // Packages without a relationship part of their own: those below bring theirs.
  const auto mainPath = [](const std::vector<test::Part>& parts) {
    return mainModelPath(ZipReader(test::package(parts, ""), ModelLoader::threeMFLimits().zip));
  };
  const std::string rels =
      "<Relationships><Relationship Type=\"http://x/other\" Target=\"/3D/3dmodel.model\"/>"
      "<Relationship Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\" "
      "Target=\"/3D/Model.model\"/></Relationships>";
  EXPECT_EQ(mainPath({{"_rels/.rels", rels}, {"3D/3dmodel.model", ""}, {"3D/Model.model", ""}}), "/3D/Model.model");
  EXPECT_EQ(mainPath({{"_rels/.rels", rels}, {"3D/3dmodel.model", ""}}), "3D/3dmodel.model");  // target missing
  EXPECT_EQ(mainPath({{"_rels/.rels", "<Relationships><Relationship Type=\"/3dmodel\""},
                      {"Parts/a.txt", ""},
                      {"Parts/box.MODEL", ""}}),
            "Parts/box.MODEL");
  EXPECT_EQ(mainPath({{"readme.txt", ""}}), "3D/3dmodel.model");
  EXPECT_EQ(test::refusal([] { test::load3MF(test::package({{"readme.txt", ""}}, "")); }),
            LoadError::malformed("the archive has no 3D/3dmodel.model"));
}

}  // namespace
}  // namespace vantorel
