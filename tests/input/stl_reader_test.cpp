#include "input/load_error.h"
#include "input/model_loader.h"
#include "input/stl_reader.h"
#include "input/vertex_welder.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

using namespace vantorel;
using namespace vantorel::test;

namespace {

const std::vector<std::array<float, 9>> twoTriangles = {
    {0, 0, 0, 1, 0, 0, 0, 1, 0},
    {1, 0, 0, 1, 1, 0, 0, 1, 0},
};

LoadError loadError(const Bytes& bytes, std::string_view name = "part") {
  try {
    STLReader::read(bytes, name);
  } catch (const LoadError& e) {
    return e;
  }
  ADD_FAILURE() << "no LoadError";
  return LoadError::empty();
}

const LoadError notSTL = LoadError::malformed("it isn't an STL file (neither binary nor ASCII)");

}  // namespace

TEST(STLDetection, FollowsTheSizeAndOpeningRules) {
  // Exact size wins even when the header says "solid".
  EXPECT_TRUE(STLReader::isBinary(binarySTL(twoTriangles, "solid looks like text facet")));
  // 84 bytes with n = 0: binary, and empty.
  const Bytes zero = binarySTL({});
  EXPECT_TRUE(STLReader::isBinary(zero));
  EXPECT_EQ(loadError(zero), LoadError::empty());
  // Trailing bytes after the records are allowed…
  Bytes longer = binarySTL(twoTriangles);
  longer.resize(longer.size() + 7);
  EXPECT_TRUE(STLReader::isBinary(longer));
  EXPECT_EQ(STLReader::read(longer, "p").objects[0].triangleCount(), 2u);
  // …unless the opening reads as ASCII.
  Bytes texty = binarySTL(twoTriangles, "solid x\n facet normal");
  texty.resize(texty.size() + 7);
  EXPECT_FALSE(STLReader::isBinary(texty));
  EXPECT_FALSE(STLReader::isBinary(bytesOf("solid")));
}

TEST(STLBinary, ReadsWeldsAndNamesTheObject) {
  const PrintModel m = STLReader::read(binarySTL(twoTriangles), "Bracket");
  EXPECT_EQ(m.name, "Bracket");
  EXPECT_EQ(m.format, ModelFormat::stlBinary);
  EXPECT_EQ(m.unit, "millimeter");
  EXPECT_TRUE(m.palette.empty());
  EXPECT_TRUE(m.notes.empty());
  ASSERT_EQ(m.objects.size(), 1u);
  EXPECT_EQ(m.objects[0].id, 0);
  EXPECT_EQ(m.objects[0].name, "Bracket");
  EXPECT_EQ(m.objects[0].positions.size(), 4u) << "two triangles sharing an edge weld to four vertices";
  EXPECT_EQ(m.objects[0].indices, (MeshArray<std::uint32_t>{0, 1, 2, 1, 3, 2}));
  EXPECT_FALSE(m.objects[0].color.has_value());
}

TEST(STLBinary, DropsNonFiniteAndDegenerateTrianglesAndRefusesWhenNothingIsLeft) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const Bytes mixed = binarySTL({{0, 0, 0, 1, 0, 0, 0, 1, 0}, {nan, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 0, inf, 0, 1, 0},
                                 {2, 2, 2, 2, 2, 2, 3, 3, 3}});
  EXPECT_EQ(STLReader::read(mixed, "p").triangleCount(), 1u);
  EXPECT_EQ(loadError(binarySTL({{nan, nan, nan, 0, 0, 0, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 1, 1, 1}})), LoadError::empty());
}

TEST(STLBinary, RefusesEveryTruncatedPrefixAndOversizedCounts) {
  const Bytes whole = binarySTL(twoTriangles);
  for (std::size_t n = 0; n < whole.size(); ++n) {
    const Bytes prefix(whole.begin(), whole.begin() + std::ptrdiff_t(n));  // fresh buffer for ASan
    EXPECT_EQ(loadError(prefix), notSTL) << "prefix " << n;
  }
  // A header count far larger than the file, in a binary-looking file.
  Bytes huge = binarySTL(twoTriangles);
  const std::uint32_t n = 0xFFFFFFFFu;
  std::memcpy(huge.data() + 80, &n, 4);
  EXPECT_FALSE(STLReader::isBinary(huge));
  EXPECT_EQ(loadError(huge), notSTL);
  // …and in one whose header says "solid" (without facets it is read as empty ASCII text).
  Bytes solidHeader = binarySTL(twoTriangles, "solid by some exporter");
  std::memcpy(solidHeader.data() + 80, &n, 4);
  EXPECT_EQ(loadError(solidHeader), LoadError::empty());
}

TEST(STLAscii, ReadsSolidsLoopsAndKeywordsInAnyCase) {
  const Bytes text = bytesOf(
      "solid base\r\n"
      "  facet normal 0 0 1\r\n    outer loop\r\n"
      "      VERTEX 0 0 0\r\n      vertex 1 0 0\r\n      Vertex 1 1 0\r\n      vertex 0 1 0\r\n"
      "    endloop\r\n  endfacet\r\n"
      "endsolid base\r\n"
      "SOLID   lid\t \n facet outer loop vertex1 vertex 0 0 5 vertex\n1e0\n0\n5 vertex +0 1 5 endloop endfacet\n"
      "ENDSOLID");
  const PrintModel m = STLReader::read(text, "Box");
  EXPECT_EQ(m.format, ModelFormat::stlASCII);
  ASSERT_EQ(m.objects.size(), 2u);
  EXPECT_EQ(m.objects[0].name, "base");
  EXPECT_EQ(m.objects[0].id, 0);
  EXPECT_EQ(m.objects[0].indices, (MeshArray<std::uint32_t>{0, 1, 2, 0, 2, 3})) << "a quad loop fans out";
  EXPECT_EQ(m.objects[1].name, "lid");
  EXPECT_EQ(m.objects[1].id, 1);
  EXPECT_EQ(m.objects[1].positions, (MeshArray<Float3>{{0, 0, 5}, {1, 0, 5}, {0, 1, 5}}))
      << "each object numbers its own vertices; numbers may span lines";
}

// A vertex line seen before is taken by its text; text that differs in any byte, or holds more
// than the three numbers, is read afresh.
TEST(STLAscii, RepeatedVertexLinesReadAsTheirNumbers) {
  const std::string first = "facet normal 0 0 1\n outer loop\n  vertex 1 2 3\n  vertex 1 2 35\n  vertex 4 5 6\n endloop\nendfacet\n";
  const std::string second =
      "facet normal 0 0 1\n outer loop\n  vertex 4 5 6\r\n  vertex 1 2 35\n  vertex 1 2 3 endloop\nendfacet\n";
  const std::string third = "facet normal 0 0 1 outer loop vertex 1 2\n3 vertex 7 8 9 vertex 4 5 6   \n endloop endfacet\n";
  const PrintModel m = STLReader::read(
      bytesOf("solid t\n" + first + second + third + first + second +
              "endsolid t, with enough text after the last vertex line to compare it whole\n"),
      "m");
  ASSERT_EQ(m.objects.size(), 1u);
  EXPECT_EQ(m.objects[0].positions, (MeshArray<Float3>{{1, 2, 3}, {1, 2, 35}, {4, 5, 6}, {7, 8, 9}}));
  EXPECT_EQ(m.objects[0].indices, (MeshArray<std::uint32_t>{0, 1, 2, 2, 1, 0, 0, 3, 2, 0, 1, 2, 2, 1, 0}));
}

TEST(STLAscii, SolidNamesAreDecodedLenientlyOrFollowTheModel) {
  const std::string facet = " facet outer loop vertex 0 0 0 vertex 1 0 0 vertex 0 1 0 endloop endfacet\n";
  const std::string degenerate = " facet outer loop vertex 0 0 0 vertex 0 0 0 vertex 0 1 0 endloop endfacet\n";
  const PrintModel m = STLReader::read(
      bytesOf("solid\n" + facet + "endsolid\nsolid\n" + degenerate + "endsolid\nsolid \n" + facet + "endsolid\nsolid\n" + facet),
      "Part");
  ASSERT_EQ(m.objects.size(), 3u) << "a solid with only degenerate triangles adds no object";
  EXPECT_EQ(m.objects[0].name, "Part");
  EXPECT_EQ(m.objects[1].name, "Part 2");
  EXPECT_EQ(m.objects[2].name, "Part 3") << "the last solid closes at the end without endsolid";
  EXPECT_EQ(m.objects[2].id, 2);
  const PrintModel named =
      STLReader::read(bytesOf("solid caf\xC3\xA9 \xFF\n facet outer loop vertex 0 0 0 vertex 1 0 0 vertex 0 1 0 endloop"), "m");
  EXPECT_EQ(named.objects[0].name, "caf\xC3\xA9 \xEF\xBF\xBD");
}

TEST(STLAscii, RefusesMissingNumbersAndEmptyText) {
  EXPECT_EQ(loadError(bytesOf("solid x\nfacet outer loop\nvertex 1 2\nendloop")),
            LoadError::malformed("a vertex line in the ASCII STL is missing a number"));
  EXPECT_EQ(loadError(bytesOf("solid x\nvertex 1 nan 2\n")), LoadError::malformed("a vertex line in the ASCII STL is missing a number"));
  EXPECT_EQ(loadError(bytesOf("solid x\nvertex 1,5 2 3\n")), LoadError::malformed("a vertex line in the ASCII STL is missing a number"));
  EXPECT_EQ(loadError(bytesOf("  \n solid only a name\nendsolid")), LoadError::empty());
  EXPECT_EQ(loadError(bytesOf("solid x\nfacet outer loop vertex 0 0 0 vertex 1 1 1 vertex 1e400 0 0 endloop")), LoadError::empty())
      << "1e400 scans as infinity and its triangle drops out";
  EXPECT_EQ(loadError(bytesOf("")), notSTL);
  EXPECT_EQ(loadError(bytesOf("hello world")), notSTL);
  // The loop vertices of an unfinished facet are discarded.
  EXPECT_EQ(loadError(bytesOf("solid x\nfacet outer loop vertex 0 0 0 vertex 1 0 0 vertex 0 1 0")), LoadError::empty());
}

// Files of several megabytes are scanned from both ends at once; the result must not depend on
// where the split falls.
TEST(STLAscii, LargeFilesReadTheSameWhereverTheSplitFalls) {
  const auto facets = [](std::size_t count, const char* separator) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
      const std::string z = std::to_string(i);
      text += std::string("facet normal 0 0 1 outer loop") + separator + "vertex" + separator + "0" + separator +
              "0" + separator + z + separator + "vertex 1 0 " + z + separator + "vertex" + separator + "0" +
              separator + "1" + separator + z + separator + "endloop endfacet\n";
    }
    return text;
  };
  // Numbers on lines of their own: the split almost surely falls inside a vertex.
  for (const char* separator : {"\n", " ", "\r\n"}) {
    const std::string body = facets(120000, separator);
    const std::string text = "solid first\n" + body + "endsolid first\nsolid\n" + body + "endsolid\n";
    ASSERT_GT(text.size(), 9u << 20);
    const PrintModel m = STLReader::read(bytesOf(text), "big");
    ASSERT_EQ(m.objects.size(), 2u) << "separator " << int(separator[0]);
    EXPECT_EQ(m.objects[0].name, "first");
    EXPECT_EQ(m.objects[1].name, "big 2");
    for (const auto& o : m.objects) {
      EXPECT_EQ(o.triangleCount(), 120000u);
      EXPECT_EQ(o.positions.size(), 360000u);
      EXPECT_EQ(o.positions[3 * 7777 + 2], (Float3{0, 1, 7777}));
    }
  }
  // A broken vertex late in the file is found by the second scanner and reported.
  std::string broken = "solid x\n" + facets(150000, " ") + "facet outer loop vertex 1 2\nendloop\n";
  EXPECT_EQ(loadError(bytesOf(broken)), LoadError::malformed("a vertex line in the ASCII STL is missing a number"));
  // …and one early in the file wins over a sound tail.
  broken = "solid x\nvertex 1 x 2\n" + facets(150000, " ");
  EXPECT_EQ(loadError(bytesOf(broken)), LoadError::malformed("a vertex line in the ASCII STL is missing a number"));
}

TEST(STLBinary, LargeFilesWeldTheSameOnTwoThreads) {
  // Past the size where the two halves are welded apart; the halves share every other row.
  std::vector<std::array<float, 9>> triangles;
  for (int i = 0; i < 70000; ++i) {
    const float x = float(i % 500), y = float(i / 500 % 2 ? 3 : 1);
    triangles.push_back({x, 0, 0, x + 1, 0, 0, x, y, 0});
    triangles.push_back({x + 1, 0, 0, x + 1, y, 0, x, y, 0});
  }
  triangles[100000][4] = std::numeric_limits<float>::infinity();
  const Bytes bytes = binarySTL(triangles);
  const PrintModel m = STLReader::read(bytes, "big");
  ASSERT_EQ(m.objects.size(), 1u);
  const ModelObject& o = m.objects[0];
  VertexWelder reference;
  for (const auto& t : triangles) reference.addTriangle({t[0], t[1], t[2]}, {t[3], t[4], t[5]}, {t[6], t[7], t[8]});
  EXPECT_EQ(o.positions, reference.positions());
  EXPECT_EQ(o.indices, reference.indices());
  EXPECT_EQ(o.triangleCount(), 139999u);
  EXPECT_EQ(o.positions.size(), 1503u);

  // From a file, whose pages each thread gives back as it finishes with them.
  TempFolder dir;
  const auto path = dir.write("big.stl", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  const PrintModel fromFile = ModelLoader::load(path);
  EXPECT_EQ(fromFile.objects.at(0).positions, o.positions);
  EXPECT_EQ(fromFile.objects.at(0).indices, o.indices);
}

TEST(STLAscii, LargeFilesWeldTheSameOnTwoThreads) {
  // Facets that reuse the vertices of a small grid, so the second half names the first half's
  // vertices throughout; a second solid starts late in the file.
  std::vector<std::array<float, 9>> first, second;
  std::string text = "solid grid\n";
  char line[400];
  for (int i = 0; i < 90000; ++i) {
    const float x = float(i % 300) * 0.1f, y = float(i / 300 % 7) * 0.25f;
    const std::array<float, 9> t{x, y, 0, x + 0.1f, y, 0, x, y + 0.25f, 1.5f};
    if (i == 80000) text += "endsolid grid\nsolid rest\n";
    (i < 80000 ? first : second).push_back(t);
    std::snprintf(line, sizeof line,
                  "  facet normal 0 0 1\n    outer loop\n      vertex %.9g %.9g %.9g\n      vertex %.9g %.9g %.9g\n"
                  "      vertex %.9g %.9g %.9g\n    endloop\n  endfacet\n",
                  t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8]);
    text += line;
  }
  text += "endsolid rest\n";
  ASSERT_GT(text.size(), 9u << 20);
  TempFolder dir;
  const auto path = dir.write("grid.stl", text);
  for (const PrintModel& m : {STLReader::read(bytesOf(text), "grid"), ModelLoader::load(path)}) {
    ASSERT_EQ(m.objects.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
      VertexWelder reference;
      for (const auto& t : k == 0 ? first : second) {
        reference.addTriangle({t[0], t[1], t[2]}, {t[3], t[4], t[5]}, {t[6], t[7], t[8]});
      }
      EXPECT_EQ(m.objects[k].positions, reference.positions()) << k;
      EXPECT_EQ(m.objects[k].indices, reference.indices()) << k;
    }
    EXPECT_EQ(m.objects[1].name, "rest");
  }
}
