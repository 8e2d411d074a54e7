#include "staging/placement.h"
#include "staging/scale_check.h"
#include "staging/staged_facts.h"

#include "base/localized.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantorel;

namespace {

ModelObject object(std::int64_t id, const std::vector<Float3>& positions) {
  ModelObject o;
  o.id = id;
  o.positions.assign(positions.begin(), positions.end());
  return o;
}

PrintModel modelOf(std::vector<ModelObject> objects) {
  PrintModel m;
  m.objects = std::move(objects);
  return m;
}

// The eight corners of the file-space box lo…hi.
std::vector<Float3> box(Float3 lo, Float3 hi) { return Bounds{lo, hi}.corners(); }

void expectNear(Float3 actual, Float3 expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

}  // namespace

TEST(Bounds, EmptyBoxHasNoSizeCentreOrCorners) {
  const Bounds empty = Bounds::empty;
  EXPECT_TRUE(empty.isEmpty());
  EXPECT_EQ(empty.size(), Float3{});
  EXPECT_EQ(empty.center(), Float3{});
  EXPECT_TRUE(empty.corners().empty());
  EXPECT_TRUE(empty.transformed(translation({1, 2, 3})).isEmpty());
  EXPECT_EQ(Bounds::of({}), Bounds::empty);
}

TEST(Bounds, IncludesPointsUnitesBoxesAndMovesCorners) {
  const std::vector<Float3> points{{1, -2, 3}, {-4, 5, 0.5f}};
  Bounds b = Bounds::of(points);
  EXPECT_EQ(b.min, (Float3{-4, -2, 0.5f}));
  EXPECT_EQ(b.max, (Float3{1, 5, 3}));
  EXPECT_EQ(b.size(), (Float3{5, 7, 2.5f}));
  EXPECT_EQ(b.center(), (Float3{-1.5f, 1.5f, 1.75f}));

  const Bounds before = b;
  b.formUnion(Bounds::empty);
  EXPECT_EQ(b, before);
  b.formUnion(Bounds{{0, 0, 0}, {10, 0, 0}});
  EXPECT_EQ(b.max.x, 10);
  EXPECT_EQ(b.min.x, -4);

  // Corners follow the bit order (x, then y, then z), and a moved box holds the moved corners.
  EXPECT_EQ(Bounds({{0, 1, 2}, {10, 11, 12}}).corners(),
            (std::vector<Float3>{{0, 1, 2}, {10, 1, 2}, {0, 11, 2}, {10, 11, 2}, {0, 1, 12}, {10, 1, 12}, {0, 11, 12}, {10, 11, 12}}));
  EXPECT_EQ(Bounds({{0, 0, 0}, {1, 2, 3}}).transformed(translation({10, 0, -1})), (Bounds{{10, 0, -1}, {11, 2, 2}}));
}

TEST(Orientation, RotationsTurnFilePointsAsDescribed) {
  const Float3 p{1, 2, 3};
  const std::pair<Orientation, Float3> rows[] = {
      {Orientation::asPrinted, {1, 3, -2}},    // −90° about X, file +Z up: (x, y, z) → (x, z, −y)
      {Orientation::onSide, {-3, 1, -2}},      // then +90° about scene Z, file +X up: → (−z, x, −y)
      {Orientation::upsideDown, {1, -3, 2}},   // then 180° about X, file +Z down: → (x, −z, y)
      {Orientation::standUp, p},               // undoes the base turn
  };
  for (const auto& [orientation, turned] : rows) {
    SCOPED_TRACE(rawValue(orientation));
    expectNear(transformPoint(rotation(orientation), p), turned);
  }
  EXPECT_EQ(rotation(Orientation::yUp), Matrix4::identity());
}

TEST(Placement, StandsOnTheFloorByItsLowestPointCentredOnTheAxis) {
  const auto model = modelOf({object(1, box({10, -4, 5}, {30, 8, 25}))});
  const Placement p = Placement::of(model, Orientation::asPrinted);
  // File z 5…25 becomes scene y 0…20; file x and y are centred about the axis.
  EXPECT_EQ(p.bounds.min.y, 0);
  expectNear(p.bounds.min, {-10, 0, -6});
  expectNear(p.bounds.max, {10, 20, 6});
  EXPECT_NEAR(p.radius, std::sqrt(10.0f * 10 + 6 * 6), 1e-4);
  expectNear(p.stagedSize(), {20, 20, 12}, 1e-4f);
  // The transform carries the file's lowest corner onto the floor.
  expectNear(transformPoint(p.transform, {10, 8, 5}), {-10, 0, -6}, 1e-4f);
  expectNear(transformPoint(p.transform, {30, -4, 25}), {10, 20, 6}, 1e-4f);

  // The lowest point goes to the floor, not the centre.
  const auto tall = modelOf({object(1, box({0, 0, 0}, {2, 2, 2})), object(2, {{1, 1, 50}})});
  EXPECT_EQ(Placement::of(tall, Orientation::asPrinted).bounds.min.y, 0);
  EXPECT_NEAR(Placement::of(tall, Orientation::asPrinted).bounds.max.y, 50, 1e-5);
  // The radius ignores height: a needle on the axis, 500 mm tall and 0.2 mm thick.
  const auto needle = modelOf({object(1, box({-0.1f, -0.1f, 0}, {0.1f, 0.1f, 500}))});
  const Placement n = Placement::of(needle, Orientation::asPrinted);
  EXPECT_FLOAT_EQ(n.bounds.max.y, 500);
  EXPECT_LT(n.radius, 0.15f);
  // A single vertex lands at the origin.
  const Placement single = Placement::of(modelOf({object(1, {{1, 2, 3}})}), Orientation::asPrinted);
  EXPECT_EQ(transformPoint(single.transform, {1, 2, 3}), (Float3{0, 0, 0}));
  EXPECT_EQ(single.bounds, (Bounds{{0, 0, 0}, {0, 0, 0}}));
  EXPECT_EQ(single.radius, 0);
}

TEST(Placement, HiddenObjectsNeverWidenBoundsOrRadius) {
  const auto near = object(1, box({-1, -1, 0}, {1, 1, 4}));
  const auto far = object(7, {{1000, 1000, 1000}, {-900, 0, -50}});
  const Placement alone = Placement::of(modelOf({near}), Orientation::asPrinted);
  const Placement hidden = Placement::of(modelOf({near, far}), Orientation::asPrinted, {7});
  EXPECT_EQ(hidden, alone);
  EXPECT_NEAR(hidden.radius, std::sqrt(2.0f), 1e-5);
  EXPECT_NE(Placement::of(modelOf({near, far}), Orientation::asPrinted).radius, alone.radius);
}

TEST(Placement, NothingVisibleGivesZeroBoundsAndTheBareRotation) {
  const Placement empty = Placement::of(modelOf({object(1, {})}), Orientation::onSide);
  const Placement allHidden = Placement::of(modelOf({object(3, box({5, 5, 5}, {9, 9, 9}))}), Orientation::onSide, {3});
  for (const Placement& p : {empty, allHidden}) {
    EXPECT_EQ(p.transform, translation({0, 0, 0}) * rotation(Orientation::onSide));
    EXPECT_EQ(p.bounds, (Bounds{{0, 0, 0}, {0, 0, 0}}));
    EXPECT_EQ(p.radius, 0);
    EXPECT_EQ(p.stagedSize(), Float3{});
  }
}

TEST(ScaleCheck, BoundariesAreOkAndOutsideThemAFactorIsSuggested) {
  for (Float3 size : {Float3{3.0f, 1, 1}, Float3{1, 1500.0f, 1}, Float3{120, 80, 60}}) EXPECT_EQ(ScaleCheck::of(size), ScaleCheck::ok());
  EXPECT_FALSE(ScaleCheck::ok().suggestedFactor());
  EXPECT_FALSE(ScaleCheck::ok().message());

  const ScaleCheck tiny = ScaleCheck::of({1, 2.99f, 0.5f});
  EXPECT_EQ(tiny, ScaleCheck::tooSmall(2.99f));
  EXPECT_EQ(tiny.suggestedFactor(), 25.4f);
  EXPECT_EQ(tiny.message(), "This model is only 2.99 mm across. If it was drawn in inches, scale it up 25.4×.");

  const ScaleCheck justOver = ScaleCheck::of({1500.5f, 10, 10});
  EXPECT_EQ(justOver, ScaleCheck::tooLarge(1500.5f));
  EXPECT_EQ(justOver.suggestedFactor(), 0.03937008f);
  EXPECT_EQ(ScaleCheck::tooLarge(15000).suggestedFactor(), 0.03937008f);
  const ScaleCheck metres = ScaleCheck::of({20000, 3000, 1});
  EXPECT_EQ(metres, ScaleCheck::tooLarge(20000));
  EXPECT_EQ(metres.suggestedFactor(), 0.001f);
  EXPECT_EQ(metres.message(), "This model is 20000 mm across. If it was drawn in meters or the wrong unit, scale it down.");
  // Beyond what a unit explains, the power of ten that brings the side into range; none for no size.
  EXPECT_EQ(ScaleCheck::tooSmall(1e-3f).suggestedFactor(), 1e5f);
  EXPECT_EQ(ScaleCheck::tooLarge(1e18f).suggestedFactor(), 1e-15f);
  EXPECT_EQ(ScaleCheck::tooLarge(2e6f).suggestedFactor(), 1e-4f);
  EXPECT_FALSE(ScaleCheck::tooSmall(0).suggestedFactor());
}

TEST(StagedFacts, SizeInMillimetresAndInchesWithTheScaleCheck) {
  const auto facts = [](Float3 size, Orientation orientation = Orientation::asPrinted) {
    return StagedFacts::of(modelOf({object(1, box({0, 0, 0}, size))}), orientation);
  };
  const auto ok = facts({40, 30, 20});
  EXPECT_EQ(ok.millimetres(), (std::array<double, 3>{40, 30, 20}));
  EXPECT_EQ(ok.sizeText(), "40.0 \u00D7 30.0 \u00D7 20.0 mm (1.57 \u00D7 1.18 \u00D7 0.79 in)");
  EXPECT_EQ(ok.checkName(), "ok");
  EXPECT_FALSE(ok.scaleText());
  EXPECT_FALSE(ok.suggestedFactor());
  // On its side the file's X becomes the height.
  EXPECT_EQ(facts({40, 30, 20}, Orientation::onSide).millimetres(), (std::array<double, 3>{20, 30, 40}));

  // The staged size, not the diagonal, decides.
  const auto small = facts({1, 2, 2.5f});
  EXPECT_EQ(small.checkName(), "tooSmall");
  EXPECT_EQ(small.suggestedFactor(), 25.4);
  EXPECT_EQ(small.scaleText(), "This model is only 2.50 mm across. If it was drawn in inches, scale it up 25.4\u00D7. "
                               "Suggested factor: 25.4");
  const auto large = facts({1600, 10, 10});
  EXPECT_EQ(large.checkName(), "tooLarge");
  EXPECT_EQ(large.suggestedFactor(), 0.03937008) << "the decimal the float reads as, not its binary expansion";
  EXPECT_TRUE(facts({0.001f, 0.001f, 0.001f}).scaleText()->ends_with("Suggested factor: 100000"));
  EXPECT_TRUE(facts({2e18f, 1, 1}).scaleText()->ends_with("Suggested factor: 1e-16"));
}
