#include "input/sample_models.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

using namespace vantorel;
namespace {
// Every edge of a closed, consistently wound mesh appears once in each direction.
bool closedAndConsistent(const ModelObject& o) {
  std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
  for (std::size_t t = 0; t < o.indices.size(); t += 3) {
    for (int k = 0; k < 3; ++k) edges[{o.indices[t + k], o.indices[t + (k + 1) % 3]}]++;
  }
  for (const auto& [e, n] : edges) {
    if (n != 1 || !edges.contains({e.second, e.first})) return false;
  }
  return true;
}
float radiusOf(const Float3& p) { return std::hypot(p.x, p.y); }
}  // namespace

TEST(SampleModels, TwistedVase) {
  const PrintModel vase = SampleModels::twistedVase();
  EXPECT_EQ(vase.name, "Twisted vase");
  EXPECT_EQ(vase.format, ModelFormat::stlBinary);
  ASSERT_EQ(vase.objects.size(), 1u);
  const ModelObject& o = vase.objects[0];
  EXPECT_EQ(o.name, "Twisted vase");
  EXPECT_EQ(o.positions.size(), 7802u);
  EXPECT_EQ(o.triangleCount(), 15600u);
  EXPECT_TRUE(closedAndConsistent(o));
  EXPECT_FALSE(vase.hasColors());
  EXPECT_EQ(o.positions[7800], (Float3{0, 0, 0}));
  EXPECT_EQ(o.positions[7801], (Float3{0, 0, 120}));
  // Ring 0, segment 0: θ = 0, r = 14·sin(0.2) + 26, f = 1 + 0.07.
  EXPECT_FLOAT_EQ(o.positions[0].x, (14 * std::sin(0.2f) + 26) * 1.07f);
  EXPECT_EQ(std::vector(o.indices.begin(), o.indices.begin() + 3), (std::vector<std::uint32_t>{0, 1, 121}));
  EXPECT_EQ(SampleModels::twistedVase(), vase) << "deterministic";
}

TEST(SampleModels, PlanterAndSaucer) {
  const PrintModel m = SampleModels::planterAndSaucer();
  EXPECT_EQ(m.name, "Planter and saucer");
  EXPECT_EQ(m.format, ModelFormat::threeMF);
  ASSERT_EQ(m.objects.size(), 2u);
  const ModelObject &planter = m.objects[0], &saucer = m.objects[1];
  EXPECT_EQ(std::tuple(planter.id, planter.name, planter.color), std::tuple(0, "Planter", 0));
  EXPECT_EQ(std::tuple(saucer.id, saucer.name, saucer.color), std::tuple(1, "Saucer", 1));
  EXPECT_EQ(m.palette, (std::vector<RGBA>{{0.8, 0.42, 0.28, 1}, {0.55, 0.66, 0.52, 1}}));
  EXPECT_EQ(saucer.positions.size(), 602u);
  EXPECT_EQ(saucer.triangleCount(), 1200u);
  EXPECT_TRUE(closedAndConsistent(planter));
  EXPECT_TRUE(closedAndConsistent(saucer));

  // The planter stands on the saucer: rings from z = 4 to 74, saucer from 0 to 4.
  EXPECT_EQ(planter.positions[0].z, 4.0f);
  EXPECT_EQ(planter.positions[64 * 120].z, 74.0f);
  const auto [lo, hi] = std::minmax_element(saucer.positions.begin(), saucer.positions.end(),
                                            [](const Float3& a, const Float3& b) { return a.z < b.z; });
  EXPECT_EQ(lo->z, 0.0f);
  EXPECT_EQ(hi->z, 4.0f);
  // The rim: base radius 40.3125 at ring 55, 43.5 at ring 56 (θ = 0 where cos(12θ) = 1).
  EXPECT_FLOAT_EQ(radiusOf(planter.positions[55 * 120]), 40.3125f * 1.035f);
  EXPECT_FLOAT_EQ(radiusOf(planter.positions[56 * 120]), 43.5f * 1.035f);
}

TEST(SampleModels, ByIdentifier) {
  for (const auto id : SampleModels::ids()) EXPECT_TRUE(SampleModels::byId(id)) << id;
  EXPECT_EQ(SampleModels::byId("planter")->name, "Planter and saucer");
  EXPECT_FALSE(SampleModels::byId("teapot"));
}
