#include "input/decimal_scanner.h"
#include "input/load_error.h"
#include "input/vertex_welder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
  EXPECT_EQ(w.indices(), (MeshArray<std::uint32_t>{0, 1, 2, 1, 3, 2}));
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

namespace {
// A strip of quads whose vertices recur within a batch, across batches and far apart, with a few
// non-finite and collapsed triangles among them.
std::vector<std::array<Float3, 3>> stripTriangles(int quads) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<std::array<Float3, 3>> out;
  for (int i = 0; i < quads; ++i) {
    const float x = float(i % 997), y = float(i / 997);
    const Float3 a{x, y, 0}, b{x + 1, y, 0}, c{x + 1, y + 1, 0}, d{x, y + 1, -0.0f};
    out.push_back({a, b, c});
    out.push_back({a, c, d});
    if (i % 101 == 0) out.push_back({a, {nan, 0, 0}, c});
    if (i % 103 == 0) out.push_back({a, a, c});
  }
  return out;
}
}  // namespace

TEST(VertexWelder, BatchedAndTwoPartWeldingMatchWeldingOneByOne) {
  // Enough that the joins below share their work between two threads, and far past the hints.
  const auto triangles = stripTriangles(300000);
  VertexWelder single(4, 1);
  for (const auto& t : triangles) single.addTriangle(t[0], t[1], t[2]);

  VertexWelder batched(16, 16);
  for (const auto& t : triangles) batched.queueTriangle(t[0], t[1], t[2]);
  EXPECT_EQ(batched.positions(), single.positions());
  EXPECT_EQ(batched.indices(), single.indices());

  // Three parts welded apart and joined in turn, each sharing many vertices with those before.
  const std::size_t half = triangles.size() / 2, third = triangles.size() * 3 / 4;
  VertexWelder front, middle, back;
  for (std::size_t i = 0; i < triangles.size(); ++i) {
    (i < half ? front : i < third ? middle : back).queueTriangle(triangles[i][0], triangles[i][1], triangles[i][2]);
  }
  front.append(middle);
  front.append(back);
  EXPECT_EQ(front.positions(), single.positions());
  EXPECT_EQ(front.indices(), single.indices());
  EXPECT_TRUE(back.positions().empty() && back.indices().empty());

  // The joined welder goes on welding against everything it holds.
  const std::size_t before = front.positions().size();
  EXPECT_EQ(front.indexOf(triangles.back()[2]), single.indexOf(triangles.back()[2]));
  front.queueTriangle(triangles[half + 7][0], {-1, -1, -1}, triangles[3][1]);
  ASSERT_EQ(front.positions().size(), before + 1);
  const auto& joined = front.indices();
  EXPECT_EQ(joined[joined.size() - 3], single.indexOf(triangles[half + 7][0]));
  EXPECT_EQ(joined.back(), single.indexOf(triangles[3][1]));

  ModelObject o;
  single.moveInto(o);
  EXPECT_EQ(o.indices.size(), front.indices().size() - 3);
  EXPECT_TRUE(single.positions().empty());
  EXPECT_EQ(single.indexOf({5, 5, 5}), 0u) << "a moved-out welder starts numbering afresh";
}

TEST(HugePages, ReleasedMemoryIsUsedAgainAndZeroedWhenAsked) {
  hugepages::releaseKept();
  constexpr std::size_t mib = std::size_t(1) << 20;
  auto* first = static_cast<std::uint32_t*>(hugepages::allocate(6 * mib));
  std::fill(first, first + 6 * mib / 4, 0xA5A5A5A5u);
  hugepages::release(first, 6 * mib);
  // A smaller request takes the front of the kept block, and the rest stays kept for the next.
  auto* front = static_cast<std::uint32_t*>(hugepages::allocateZeroed(3 * mib));
  EXPECT_EQ(front, first);
  EXPECT_TRUE(std::all_of(front, front + 3 * mib / 4, [](std::uint32_t v) { return v == 0; }));
  auto* rest = static_cast<std::uint32_t*>(hugepages::allocate(2 * mib));
  EXPECT_EQ(reinterpret_cast<std::byte*>(rest), reinterpret_cast<std::byte*>(first) + 4 * mib)
      << "blocks are whole huge pages";
  EXPECT_EQ(rest[0], 0xA5A5A5A5u) << "plain allocations are not cleared";
  hugepages::release(front, 3 * mib);
  hugepages::release(rest, 2 * mib);
  hugepages::releaseKept();
  auto* fresh = static_cast<std::uint32_t*>(hugepages::allocateZeroed(2 * mib));
  EXPECT_EQ(fresh[2 * mib / 4 - 1], 0u);
  hugepages::release(fresh, 2 * mib);
}

TEST(DecimalScanner, FloatScanAgreesWithTheDoubleScan) {
  // The 32-bit scan takes a shortcut for the usual coordinates; it must give float(double scan)
  // always, above all for numbers at or next to the midpoint between two floats.
  std::vector<std::string> texts = {"8388608.5", "8388609.5", "-8388610.5", "16777217.0", "1.00000005960464477539",
                                    "0.1",       "-0.0",      "1e-30",      "3.4028235e38", "123456789012345678e-5"};
  std::uint32_t state = 12345;
  auto next = [&] { return state = state * 1664525u + 1013904223u; };
  char buffer[64];
  for (int i = 0; i < 200000; ++i) {
    float f;
    const std::uint32_t bits = 0x30000000u + next() % 0x1C000000u;  // about 5e-10 to 1e8
    std::memcpy(&f, &bits, sizeof f);
    const float up = std::nextafter(f, 2 * f + 1);
    const double midpoint = (double(f) + double(up)) / 2;
    const int digits = 6 + int(next() % 12);
    std::snprintf(buffer, sizeof buffer, i % 2 ? "%.*g" : "%.*e", digits, i % 3 ? double(f) : midpoint);
    texts.emplace_back(buffer);
    // Up to 15 significant digits and powers of ten within 10^±22, the double scan is the
    // correctly rounded value.
    if (digits < 15 && f > 1e-6f) {
      const char* p = buffer;
      double d = 0;
      ASSERT_TRUE(DecimalScanner::scan(p, buffer + std::strlen(buffer), d));
      ASSERT_EQ(d, std::strtod(buffer, nullptr)) << buffer;
    }
  }
  for (const std::string& text : texts) {
    const char* p = text.data();
    double d = 0;
    ASSERT_TRUE(DecimalScanner::scan(p, text.data() + text.size(), d)) << text;
    p = text.data();
    float f = 0;
    ASSERT_TRUE(DecimalScanner::scan(p, text.data() + text.size(), f)) << text;
    ASSERT_EQ(std::bit_cast<std::uint32_t>(f), std::bit_cast<std::uint32_t>(float(d))) << text;
  }
}
