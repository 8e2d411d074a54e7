#include "input/load_error.h"
#include "input/obj_reader.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <random>

using namespace vantorel;
using namespace vantorel::test;

namespace {

PrintModel read(const std::string& text, std::string_view name = "model") { return OBJReader::read(bytesOf(text), name); }

std::optional<LoadError> loadError(const std::string& text) { return refusal([&] { read(text); }); }

const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
const LoadError noVertex = LoadError::malformed("a face points to a vertex that doesn't exist");
const LoadError badVertex = LoadError::malformed("a vertex line has no x, y and z");

}  // namespace

TEST(OBJReader, ReadsVerticesAndFaceReferencesInEveryForm) {
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
  EXPECT_EQ(read(square + "v 1e39 0 0\nf 1 2 3\nf 1 2 5\n").notes,
            std::vector<std::string>{"1 triangle with invalid coordinates left out."});
  // w and colours are ignored; "+", exponents and a bare leading dot are fine.
  EXPECT_EQ(read("v +1 .5 2e1 1.0 0.5 0.5\nv 0 0 0\nv 1 1 1\nf 1 2 3\n").objects[0].positions[0], (Float3{1, 0.5f, 20}));
}

TEST(OBJReader, RefusesBadLinesAndNothingToShow) {
  static constexpr char binary[] = "\0\xff\xfe garbage\n";
  const std::pair<std::string, LoadError> cases[] = {
      {square + "f 0 1 2\n", noVertex},
      {square + "f 1 2 5\n", noVertex},
      {square + "f -5 1 2\n", noVertex},
      {"f 1 2 3\n" + square, noVertex},  // a face sees only the vertices above it
      // An index too long for an integer is no number and is skipped.
      {square + "f 99999999999999999999 1 2\n", LoadError::empty()},
      {"v 1 2\nf 1 1 1\n", badVertex},
      {"v 1 2 3x\n", badVertex},
      {"v 1,5 2 3\n", badVertex},
      {"v ++1 2 3\n", badVertex},
      {"v +-1 2 3\n", badVertex},  // no sign after the plus
      // A vertex that overflows a float reads as infinite and its faces drop out.
      {"v 1e99 0 0\nv 0 0 0\nv 1 1 1\nf 1 2 3\n", LoadError::empty()},
      {"v nan 0 0\nv 0 0 0\nv 1 1 1\nf 1 2 3\n", LoadError::empty()},
      {"", LoadError::empty()},
      {square, LoadError::empty()},
      {square + "f 1 1 2\nf 1 2\n", LoadError::empty()},
      {std::string(binary, sizeof binary - 1), LoadError::empty()},
  };
  for (const auto& [text, error] : cases) EXPECT_EQ(loadError(text), error) << text;
  EXPECT_EQ(refusal([] { OBJReader::read(bytesOf(square + "f 1 2 3 4\n"), "m", 1); }), LoadError::tooManyTriangles(1));
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

// Large files are read in blocks, partly ahead of time on a second thread: every statement must
// still see exactly the vertices above it, in every number form.
TEST(OBJReader, LargeFilesReadAsTheirLinesInOrder) {
  std::mt19937 random(7);
  const auto pick = [&](std::initializer_list<const char*> forms) { return forms.begin()[random() % forms.size()]; };
  // Coordinates for the quick path and for the full conversion, checked against the conversion
  // of each token on its own.
  std::vector<std::string> tokens;
  char text[64];
  for (int i = 0; i < 4000; ++i) {
    const double v = std::ldexp(double(random()) / 4294967296.0 - 0.5, int(random() % 40) - 20);
    const int digits = int(random() % 12);
    const char* form = pick({"%.*f", "%.*e", "%.*g", "+%.*f", "%.*f0000000000000"});
    std::snprintf(text, sizeof text, form, digits, form[0] == '+' ? std::fabs(v) : v);
    tokens.emplace_back(text);
  }
  for (const char* t : {"0", "-0", "5.", ".25", "-.5", "00000001.5", "8388609.5", "16777217", "1.00000005960464477539",
                        "123456789012345678901234", "1e-45", "3.4028234e38"}) {
    tokens.emplace_back(t);
  }
  const auto expected = [](std::string_view token) {
    if (token.starts_with('+')) token.remove_prefix(1);
    float f = 0;
    std::from_chars(token.data(), token.data() + token.size(), f);
    return f;
  };

  const std::string start = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  std::string file = start;
  std::vector<std::string> parts;  // each part alone, after the same first three vertices
  std::size_t t = 0;
  while (file.size() < (std::size_t(3) << 20)) {
    const char* br = random() % 4 ? "\n" : "\r\n";
    std::string part = "g part " + std::to_string(parts.size()) + br;
    for (int k = 0; k < 3; ++k) {
      part += "v " + tokens[t % tokens.size()] + (k % 2 ? "\t" : " ") + std::to_string(parts.size()) + " " +
              std::to_string(k) + br;
      ++t;
    }
    part += std::string(pick({"f -3 -2 -1", "f -3/1 -2/2/2 -1//3", "f -3 -2 -1 x"})) + br;
    part += std::string(pick({"f 1 2 3", "f 1/1 2/1 3/1", "# f 1 2 3", "vn 0 0 1"})) + br;
    file += part;
    parts.push_back(std::move(part));
  }
  const PrintModel whole = read(file);
  ASSERT_EQ(whole.objects.size(), parts.size());
  for (std::size_t i = 0; i < parts.size(); i += 97) {
    const PrintModel alone = read(start + parts[i]);
    ASSERT_EQ(alone.objects.size(), 1u);
    EXPECT_EQ(whole.objects[i].name, alone.objects[0].name);
    EXPECT_EQ(whole.objects[i].positions, alone.objects[0].positions) << parts[i];
    EXPECT_EQ(whole.objects[i].indices, alone.objects[0].indices) << parts[i];
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    ASSERT_GE(whole.objects[i].positions.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
      const std::string& token = tokens[(i * 3 + k) % tokens.size()];
      EXPECT_EQ(whole.objects[i].positions[k].x, expected(token)) << token;
    }
  }

  // The limit counts the faces of both threads together.
  const auto limit = std::int64_t(whole.triangleCount()) - 1;
  EXPECT_EQ(refusal([&] { OBJReader::read(bytesOf(file), "m", limit); }), LoadError::tooManyTriangles(limit));
  // Faults deep in the file are found in file order.
  EXPECT_EQ(loadError(file + "f 1 2 " + std::to_string(parts.size() * 3 + 4) + "\nv 1 x 2\n"), noVertex);
  EXPECT_EQ(loadError(file + "v 1 x 2\nf 1 2 0\n"), badVertex);
  EXPECT_EQ(loadError(file + "f 0 1 2\n" + file), noVertex);
  EXPECT_EQ(loadError(file + "f -99999999999 1 2\n"), noVertex);
}
