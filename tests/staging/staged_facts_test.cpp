#include "staging/staged_facts.h"

#include <gtest/gtest.h>

using namespace vantorel;

namespace {

// One box of x × y × z mm in file coordinates (file +Z up).
PrintModel boxModel(float x, float y, float z) {
  ModelObject o;
  o.name = "box";
  for (int i = 0; i < 8; ++i) o.positions.push_back({i & 1 ? x : 0, i & 2 ? y : 0, i & 4 ? z : 0});
  o.indices = {0, 1, 2};
  PrintModel m;
  m.objects = {o};
  return m;
}

}  // namespace

TEST(StagedFacts, SizeInMillimetresAndInchesWithTheScaleCheck) {
  const auto ok = StagedFacts::of(boxModel(40, 30, 20), Orientation::asPrinted);
  EXPECT_EQ(ok.millimetres(), (std::array<double, 3>{40, 30, 20}));
  EXPECT_EQ(ok.sizeText(), "40.0 \u00D7 30.0 \u00D7 20.0 mm (1.57 \u00D7 1.18 \u00D7 0.79 in)");
  EXPECT_EQ(ok.checkName(), "ok");
  EXPECT_FALSE(ok.scaleText());
  EXPECT_FALSE(ok.suggestedFactor());
  // On its side the file's X becomes the height.
  EXPECT_EQ(StagedFacts::of(boxModel(40, 30, 20), Orientation::onSide).millimetres(),
            (std::array<double, 3>{20, 30, 40}));

  const auto small = StagedFacts::of(boxModel(1, 2, 2.5f), Orientation::asPrinted);
  EXPECT_EQ(small.checkName(), "tooSmall");
  EXPECT_EQ(small.suggestedFactor(), 25.4);
  EXPECT_EQ(small.scaleText(), "This model is only 2.50 mm across. If it was drawn in inches, scale it up 25.4\u00D7. "
                               "Suggested factor: 25.4");
  const auto large = StagedFacts::of(boxModel(1600, 10, 10), Orientation::asPrinted);
  EXPECT_EQ(large.checkName(), "tooLarge");
  EXPECT_EQ(large.suggestedFactor(), 0.03937008) << "the decimal the float reads as, not its binary expansion";
}
