#include "input/load_error.h"
#include "input/model_loader.h"
#include "input/stl_reader.h"
#include "input/vertex_welder.h"
#include "scratch_folder.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

using namespace vantorel;
using namespace vantorel::test;

namespace {

const std::vector<std::array<float, 9>> twoTriangles = {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {1, 0, 0, 1, 1, 0, 0, 1, 0}};
const float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();

std::optional<LoadError> loadError(const Bytes& bytes) { return refusal([&] { STLReader::read(bytes, "part"); }); }

const LoadError notSTL = LoadError::malformed("it isn't an STL file (neither binary nor ASCII)");
const LoadError missingNumber = LoadError::malformed("a vertex line in the ASCII STL is missing a number");
const LoadError notFinite = LoadError::malformed("a vertex line in the ASCII STL has a number that isn't finite");
const LoadError wrongCount =
    LoadError::malformed("the binary STL's header gives 4,294,967,295 triangles, which doesn't match the file's size");
const std::string cutNote = "The file ends early and may be cut short.";

Bytes withCount(Bytes stl, std::uint32_t n) {
  std::memcpy(stl.data() + 80, &n, 4);
  return stl;
}


// The triangles welded one by one.
ModelObject welded(const std::vector<std::array<float, 9>>& triangles) {
  VertexWelder w;
  for (const auto& t : triangles) w.addTriangle({t[0], t[1], t[2]}, {t[3], t[4], t[5]}, {t[6], t[7], t[8]});
  ModelObject o;
  w.moveInto(o);
  return o;
}

}  // namespace

TEST(STLDetection, FollowsTheSizeAndOpeningRules) {
  // Exact size wins even when the header says "solid"; trailing bytes after the records are
  // allowed unless the opening reads as ASCII. Other rules are pinned by the refusals below.
  EXPECT_TRUE(STLReader::isBinary(binarySTL(twoTriangles, "solid looks like text facet")));
  Bytes longer = binarySTL(twoTriangles), texty = binarySTL(twoTriangles, "solid x\n facet normal");
  longer.resize(longer.size() + 7);
  texty.resize(texty.size() + 7);
  EXPECT_EQ(STLReader::read(longer, "p").objects[0].triangleCount(), 2u);
  EXPECT_FALSE(STLReader::isBinary(texty));
}

TEST(STLBinary, ReadsWeldsAndNamesTheObject) {
  PrintModel expected;  // binary STL, in millimetres, no palette or notes
  expected.name = "Bracket";
  // Two triangles sharing an edge weld to four vertices.
  expected.objects = {{0, "Bracket", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 1, 3, 2}, {}, {}}};
  EXPECT_EQ(STLReader::read(binarySTL(twoTriangles), "Bracket"), expected);
  // Non-finite and collapsed triangles drop out; only the first are worth a note.
  const PrintModel dropped = STLReader::read(binarySTL({{0, 0, 0, 1, 0, 0, 0, 1, 0}, {kNaN, 0, 0, 1, 0, 0, 0, 1, 0},
                                                        {0, 0, 0, 0, 0, kInf, 0, 1, 0}, {2, 2, 2, 2, 2, 2, 3, 3, 3}}),
                                             "p");
  EXPECT_EQ(dropped.triangleCount(), 1u);
  EXPECT_EQ(dropped.notes, std::vector<std::string>{"2 triangles with invalid coordinates left out."});
}

TEST(STLReader, RefusesHostileAndEmptyInput) {
  const std::pair<Bytes, LoadError> cases[] = {
      {binarySTL({}), LoadError::empty()},
      {binarySTL({{kNaN, kNaN, kNaN, 0, 0, 0, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 1, 1, 1}}), LoadError::empty()},
      // A header count far larger than the file, also under a "solid" header: text holds no zero byte.
      {withCount(binarySTL(twoTriangles), 0xFFFFFFFFu), wrongCount},
      {withCount(binarySTL(twoTriangles, "solid by some exporter"), 0xFFFFFFFFu), wrongCount},
      {bytesOf(""), notSTL},
      {bytesOf("hello world"), notSTL},
      {bytesOf("solid x\nfacet outer loop\nvertex 1 2\nendloop"), missingNumber},
      {bytesOf("solid x\nvertex 1 -NaN 2\n"), notFinite},
      {bytesOf("solid x\nvertex inf 1 2\n"), notFinite},
      {bytesOf("solid x\nvertex 1,5 2 3\n"), missingNumber},
      {bytesOf("  \n solid only a name\nendsolid"), LoadError::empty()},
      // 1e400 scans as infinity and its triangle drops out.
      {bytesOf("solid x\nfacet outer loop vertex 0 0 0 vertex 1 1 1 vertex 1e400 0 0 endloop"), LoadError::empty()},
      // The loop vertices of an unfinished facet are discarded.
      {bytesOf("solid x\nfacet outer loop vertex 0 0 0 vertex 1 0 0 vertex 0 1 0"), LoadError::empty()},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(loadError(cases[i].first), cases[i].second) << i;
  const Bytes whole = binarySTL(twoTriangles);
  const LoadError cut = LoadError::malformed("the binary STL is cut short (it should hold 2 triangles)");
  for (std::size_t n = 0; n < whole.size(); ++n) {
    const Bytes prefix(whole.begin(), whole.begin() + std::ptrdiff_t(n));  // fresh buffer for ASan
    EXPECT_EQ(loadError(prefix), n < 84 ? notSTL : cut) << "prefix " << n;
  }
  // The limit holds in both forms, a quad's loop counting as two triangles.
  EXPECT_EQ(refusal([&] { STLReader::read(whole, "p", 1); }), LoadError::tooManyTriangles(1));
  const Bytes quad = bytesOf("solid\nfacet outer loop vertex 0 0 0 vertex 1 0 0 vertex 1 1 0 vertex 0 1 0 endloop\n");
  EXPECT_EQ(refusal([&] { STLReader::read(quad, "p", 1); }), LoadError::tooManyTriangles(1));
}

TEST(STLAscii, ReadsSolidsLoopsAndKeywordsInAnyCase) {
  const Bytes text = bytesOf(
      "solid base\r\n"
      "  facet normal 0 0 1\r\n    outer loop\r\n"
      "      VERTEX 0 0 0\r\n      vertex 1 0 0\r\n      Vertex 1 1 0\r\n      vertex 0 1 0\r\n"
      "    endloop\r\n  endfacet\r\n"
      "endsolid base\r\n"
      "SOLID   lid\t \n facet outer loop vertex1 vertex 0 0 5 vertex\n1e0\n0\n5 vertex +0 1 5 endloop endfacet\n"
      " facet outer loop vertex 0 0 0 vertex 1 0 0 vertex 1e39 1 0 endloop endfacet\n"  // beyond a float
      "ENDSOLID");
  const PrintModel m = STLReader::read(text, "Box");
  EXPECT_EQ(m.format, ModelFormat::stlASCII);
  EXPECT_EQ(m.notes, std::vector<std::string>{"1 triangle with invalid coordinates left out."});
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
  EXPECT_EQ(m.notes, std::vector<std::string>{cutNote});
  const PrintModel named = STLReader::read(
      bytesOf("solid caf\xC3\xA9 \xFF\n facet outer loop vertex 0 0 0 vertex 1 0 0 vertex 0 1 0 endloop endfacet facet"), "m");
  EXPECT_EQ(named.objects[0].name, "caf\xC3\xA9 \xEF\xBF\xBD");
  EXPECT_EQ(named.notes, std::vector<std::string>{cutNote}) << "cut inside a facet";
}

// Files of several megabytes are scanned from both ends at once and welded on two threads; the
// result must not depend on where the split falls, nor on reading from memory or from a file
// (whose pages each thread gives back as it finishes with them).
TEST(STLAscii, LargeFilesReadTheSameWhereverTheSplitFalls) {
  // Facets over a small grid, so the second half names the first half's vertices throughout; a
  // second, unnamed solid starts late in the file.
  std::vector<std::array<float, 9>> solids[2];
  for (int i = 0; i < 100000; ++i) {
    const float x = float(i % 300) * 0.1f, y = float(i / 300 % 7) * 0.25f;
    solids[i < 88000 ? 0 : 1].push_back({x, y, 0, x + 0.1f, y, 0, x, y + 0.25f, 1.5f});
  }
  const ModelObject reference[2] = {welded(solids[0]), welded(solids[1])};
  const auto text = [&](const std::string& separator) {
    std::string out = "solid grid\n";
    char number[32];
    for (int k = 0; k < 2; ++k) {
      for (const auto& t : solids[k]) {
        out += "facet normal 0 0 1" + separator + "outer loop";
        for (int v = 0; v < 9; ++v) {
          std::snprintf(number, sizeof number, "%.9g", t[std::size_t(v)]);
          out += (v % 3 ? separator : separator + "vertex" + separator) + number;
        }
        out += separator + "endloop endfacet\n";
      }
      out += k == 0 ? "endsolid grid\nsolid\n" : "endsolid\n";
    }
    return out;
  };
  ScratchFolder dir;
  // Numbers on lines of their own: the split almost surely falls inside a vertex.
  for (const std::string separator : {"\n", " ", "\r\n"}) {
    const std::string stl = text(separator);
    ASSERT_GT(stl.size(), 9u << 20);
    for (const PrintModel& m : {STLReader::read(bytesOf(stl), "big"), ModelLoader::load(dir.write("big.stl", stl))}) {
      ASSERT_EQ(m.objects.size(), 2u) << "separator " << int(separator[0]);
      EXPECT_TRUE(m.notes.empty());
      EXPECT_EQ(m.objects[0].name, "grid");
      EXPECT_EQ(m.objects[1].name, "big 2");
      for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(m.objects[k].positions, reference[k].positions) << k;
        EXPECT_EQ(m.objects[k].indices, reference[k].indices) << k;
      }
    }
  }
  // The limit counts the triangles of both halves together.
  EXPECT_EQ(refusal([&] { STLReader::read(bytesOf(text(" ")), "big", 99999); }), LoadError::tooManyTriangles(99999));
  // A broken vertex late in the file is found by the second scanner, and one early in the file
  // wins over a sound tail.
  EXPECT_EQ(loadError(bytesOf(text(" ") + "solid x\nfacet outer loop vertex 1 2\nendloop\n")), missingNumber);
  EXPECT_EQ(loadError(bytesOf("solid x\nvertex 1 x 2\n" + text(" "))), missingNumber);
}

TEST(STLBinary, LargeFilesWeldTheSameOnTwoThreads) {
  // Past the size where the two halves are welded apart; the halves share every other row.
  std::vector<std::array<float, 9>> triangles;
  for (int i = 0; i < 70000; ++i) {
    const float x = float(i % 500), y = float(i / 500 % 2 ? 3 : 1);
    triangles.push_back({x, 0, 0, x + 1, 0, 0, x, y, 0});
    triangles.push_back({x + 1, 0, 0, x + 1, y, 0, x, y, 0});
  }
  triangles[100000][4] = kInf;
  const Bytes bytes = binarySTL(triangles);
  const ModelObject reference = welded(triangles);
  ScratchFolder dir;
  for (const PrintModel& m : {STLReader::read(bytes, "big"), ModelLoader::load(dir.write("big.stl", textOf(bytes)))}) {
    ASSERT_EQ(m.objects.size(), 1u);
    EXPECT_EQ(m.notes, std::vector<std::string>{"1 triangle with invalid coordinates left out."});
    EXPECT_EQ(m.objects[0].positions, reference.positions);
    EXPECT_EQ(m.objects[0].indices, reference.indices);
  }
  EXPECT_EQ(reference.indices.size(), 3u * 139999);
  EXPECT_EQ(reference.positions.size(), 1503u);
}
