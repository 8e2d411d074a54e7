#include "input/decimal_scanner.h"
#include "input/load_error.h"
#include "input/vertex_welder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace vantorel;

namespace {
struct Scanned {
  bool ok;
  double value;
  std::size_t consumed;
};
Scanned scanText(const std::string& text) {
  const char* p = text.data();
  double v = -12345;
  const bool ok = DecimalScanner::scan(p, text.data() + text.size(), v);
  return {ok, v, std::size_t(p - text.data())};
}
}  // namespace

TEST(DecimalScanner, ReadsTheDecimalForms) {
  struct Case {
    const char* text;
    double value;
    std::size_t consumed;
  } cases[] = {
      {"0", 0, 1},          {"  \t\r\n-12.5", -12.5, 10}, {"+3", 3, 2},        {".5", 0.5, 2},
      {"5.", 5, 2},         {"1e3", 1000, 3},             {"1E-2", 0.01, 4},   {"2.5e+1x", 25, 6},
      {"1e", 1, 1},         {"1e+", 1, 1},                {"-0.0", -0.0, 4},   {"0e400", 0, 5},
      {"000123.4500", 123.45, 11},
      {"1.000000e+01", 10, 12},
      // Beyond 18 significant digits later digits only move the exponent.
      {"12345678901234567890", 12345678901234567890.0, 20},
      {"0.0000000000000000000000001", 1e-25, 27},
  };
  for (const auto& c : cases) {
    const auto s = scanText(c.text);
    EXPECT_TRUE(s.ok) << c.text;
    EXPECT_DOUBLE_EQ(s.value, c.value) << c.text;
    EXPECT_EQ(s.consumed, c.consumed) << c.text;
  }
  EXPECT_TRUE(std::signbit(scanText("-0").value));
  EXPECT_EQ(scanText("1e400").value, std::numeric_limits<double>::infinity());
  EXPECT_EQ(scanText("-1e99999999").value, -std::numeric_limits<double>::infinity());
  EXPECT_EQ(scanText("1e-400").value, 0.0);
}

TEST(DecimalScanner, FailsWithoutDigitsAndKeepsThePositionAfterWhitespace) {
  const std::pair<const char*, std::size_t> cases[] = {{"", 0},    {"   ", 3},  {" .", 1},  {"-", 0},  {"+.", 0},
                                                       {"\tnan", 1}, {"inf", 0}, {",5", 0}, {"e5", 0}, {"- 1", 0}};
  for (const auto& [text, position] : cases) {
    const auto s = scanText(text);
    EXPECT_FALSE(s.ok) << text;
    EXPECT_EQ(s.consumed, position) << text;
  }
}

TEST(VertexWelder, WeldsExactlyEqualPositionsAndFoldsNegativeZero) {
  VertexWelder w;
  EXPECT_TRUE(w.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}));
  EXPECT_TRUE(w.addTriangle({1, 0, 0}, {1, 1, 0}, {-0.0f, 1, -0.0f}));
  EXPECT_EQ(w.positions().size(), 4u);
  EXPECT_EQ(w.indices(), (std::vector<std::uint32_t>{0, 1, 2, 1, 3, 2}));
  EXPECT_FALSE(std::signbit(w.positions()[2].x)) << "the stored zero is positive";

  // Nearly equal floats are distinct: no tolerance.
  EXPECT_EQ(w.indexOf({std::nextafter(1.0f, 2.0f), 0, 0}), 4u);
}

TEST(VertexWelder, DropsDegenerateAndNonFiniteTriangles) {
  VertexWelder w;
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  EXPECT_FALSE(w.addTriangle({0, 0, 0}, {nan, 0, 0}, {0, 1, 0}));
  EXPECT_FALSE(w.addTriangle({0, 0, inf}, {1, 0, 0}, {0, 1, 0}));
  EXPECT_TRUE(w.positions().empty()) << "a non-finite triangle adds nothing at all";
  EXPECT_FALSE(w.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 0, 0}));
  EXPECT_EQ(w.positions().size(), 2u) << "a collapsed triangle keeps its vertices";
  EXPECT_FALSE(w.hasTriangles());
}

TEST(VertexWelder, GrowsFarPastItsHintAndStaysConsistent) {
  VertexWelder w(4, 1);
  for (int i = 0; i < 20000; ++i) {
    const float f = float(i);
    w.addTriangle({f, 0, 0}, {f, 1, 0}, {f, 0, 1});
  }
  // Every position again: all weld to what is there.
  for (int i = 0; i < 20000; ++i) ASSERT_EQ(w.indexOf({float(i), 1, 0}), std::uint32_t(3 * i + 1));
  EXPECT_EQ(w.positions().size(), 60000u);

  ModelObject o;
  w.moveInto(o);
  EXPECT_EQ(o.indices.size(), 60000u);
  EXPECT_TRUE(w.positions().empty());
  EXPECT_EQ(w.indexOf({5, 5, 5}), 0u) << "a moved-out welder starts numbering afresh";
}
