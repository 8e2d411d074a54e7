#include "input/load_error.h"
#include "input/obj_reader.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

PrintModel read(const std::string& text, std::string_view name = "model") { return OBJReader::read(bytesOf(text), name); }

LoadError loadError(const std::string& text) {
  try {
    read(text);
  } catch (const LoadError& e) {
    return e;
  }
  ADD_FAILURE() << "no LoadError for: " << text;
  return LoadError::empty();
}

const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
const LoadError noVertex = LoadError::malformed("a face points to a vertex that doesn't exist");
const LoadError badVertex = LoadError::malformed("a vertex line has no x, y and z");

}  // namespace

TEST(OBJReader, FaceReferencesInEveryForm) {
  const auto plain = read(square + "f 1 2 3\n");
  EXPECT_EQ(read(square + "f 1/1/1 2/2/2 3/3/3\n").objects, plain.objects);
  EXPECT_EQ(read(square + "f 1//4 2//5 3//6\n").objects, plain.objects);
  EXPECT_EQ(read("v 9 9 9\n" + square + "f -4 -3 -2\n").objects[0].positions, plain.objects[0].positions)
      << "negative indices count back from the vertices read so far";
  EXPECT_EQ(read(square + "f +1 2 x 3 /7 ab/1\n").objects, plain.objects) << "unparseable references are skipped";
  const auto quad = read(square + "f 1 2 3 4\n");
  EXPECT_EQ(quad.objects[0].indices, (MeshArray<std::uint32_t>{0, 1, 2, 0, 2, 3}));
  EXPECT_EQ(plain.format, ModelFormat::obj);
  EXPECT_EQ(plain.unit, "millimeter");
  EXPECT_EQ(plain.objects[0].name, "model");
}

TEST(OBJReader, RefusesReferencesOutsideTheVertexList) {
  EXPECT_EQ(loadError(square + "f 0 1 2\n"), noVertex);
  EXPECT_EQ(loadError(square + "f 1 2 5\n"), noVertex);
  EXPECT_EQ(loadError(square + "f -5 1 2\n"), noVertex);
  EXPECT_EQ(loadError("f 1 2 3\n" + square), noVertex) << "a face sees only the vertices above it";
  EXPECT_EQ(loadError(square + "f 99999999999999999999 1 2\n").kind(), LoadError::Kind::empty)
      << "an index too long for an integer is no number and is skipped";
}

TEST(OBJReader, VertexLinesNeedThreeWholeNumbers) {
  EXPECT_EQ(loadError("v 1 2\nf 1 1 1\n"), badVertex);
  EXPECT_EQ(loadError("v 1 2 3x\n"), badVertex);
  EXPECT_EQ(loadError("v 1,5 2 3\n"), badVertex);
  EXPECT_EQ(loadError("v ++1 2 3\n"), badVertex);
  // w and colours are ignored; "+", exponents and a bare leading dot are fine.
  const auto m = read("v +1 .5 2e1 1.0 0.5 0.5\nv 0 0 0\nv 1 1 1\nf 1 2 3\n");
  EXPECT_EQ(m.objects[0].positions[0], (Float3{1, 0.5f, 20}));
  // A vertex that overflows a float reads as infinite and its faces drop out.
  EXPECT_EQ(loadError("v 1e99 0 0\nv 0 0 0\nv 1 1 1\nf 1 2 3\n"), LoadError::empty());
  EXPECT_EQ(loadError("v nan 0 0\nv 0 0 0\nv 1 1 1\nf 1 2 3\n"), LoadError::empty());
}

TEST(OBJReader, ObjectsAndGroupsSplitTheParts) {
  const auto m = read("# made by hand\r\nmtllib x.mtl\r\n" + square +
                      "o Lid\r\nf 1 2 3\r\no\r\no Base   part\r\nusemtl red\r\nf 1 3 4\r\nvn 0 0 1\r\ng\r\nf 2 3 4\r\n",
                      "Box");
  ASSERT_EQ(m.objects.size(), 3u);
  EXPECT_EQ(m.objects[0].name, "Lid");
  EXPECT_EQ(m.objects[1].name, "Base part") << "the name is the tokens joined by single spaces";
  EXPECT_EQ(m.objects[2].name, "Box") << "a g without a name takes the model's name";
  EXPECT_EQ(m.objects[1].id, 1);
  EXPECT_EQ(m.objects[1].positions, (MeshArray<Float3>{{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}))
      << "each part holds only the vertices its faces use";
}

TEST(OBJReader, NothingToShowIsEmpty) {
  EXPECT_EQ(loadError(""), LoadError::empty());
  EXPECT_EQ(loadError(square), LoadError::empty());
  EXPECT_EQ(loadError(square + "f 1 1 2\nf 1 2\n"), LoadError::empty());
  static constexpr char binary[] = "\0\xff\xfe garbage\n";
  EXPECT_EQ(loadError(std::string(binary, sizeof binary - 1)), LoadError::empty());
}
