#include "commands.h"
#include "model_facts.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace vantorel;

namespace {

// One box of x × y × z mm in file coordinates (file +Z up).
PrintModel boxModel(float x, float y, float z) {
  ModelObject o;
  o.id = 1;
  o.name = "box";
  for (int i = 0; i < 8; ++i) o.positions.push_back({i & 1 ? x : 0, i & 2 ? y : 0, i & 4 ? z : 0});
  o.indices = {0, 1, 2};
  PrintModel m;
  m.name = "box";
  m.objects = {o};
  return m;
}

int runInfo(const std::vector<std::string>& args, std::string& out, std::string& err) {
  std::ostringstream o, e;
  const int status = cli::info(args, o, e);
  out = o.str();
  err = e.str();
  return status;
}

}  // namespace

TEST(InfoStagedFacts, SizeOfTheStagedModelAndScaleWarnings) {
  auto facts = cli::modelFacts(boxModel(40, 30, 20), "box.stl");
  EXPECT_EQ(facts["size_mm"].dump(), "[40.0,30.0,20.0]");
  EXPECT_EQ(facts["scale_check"], "ok");
  EXPECT_TRUE(facts["suggested_factor"].is_null());
  std::string text = cli::modelFactsText(boxModel(40, 30, 20), "box.stl");
  EXPECT_NE(text.find("  Size       40.0 \u00D7 30.0 \u00D7 20.0 mm (1.57 \u00D7 1.18 \u00D7 0.79 in)\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Scale"), std::string::npos);
  // On its side the file's X becomes the height.
  EXPECT_EQ(cli::modelFacts(boxModel(40, 30, 20), "", Orientation::onSide)["size_mm"].dump(), "[20.0,30.0,40.0]");

  facts = cli::modelFacts(boxModel(1, 2, 2.5f), "");
  EXPECT_EQ(facts["scale_check"], "tooSmall");
  EXPECT_EQ(facts["suggested_factor"].dump(), "25.4");
  text = cli::modelFactsText(boxModel(1, 2, 2.5f), "");
  EXPECT_NE(text.find("  Scale      This model is only 2.50 mm across. If it was drawn in inches, scale it up 25.4×. "
                      "Suggested factor: 25.4\n"),
            std::string::npos)
      << text;
  facts = cli::modelFacts(boxModel(1600, 10, 10), "");
  EXPECT_EQ(facts["scale_check"], "tooLarge");
  EXPECT_EQ(facts["suggested_factor"].dump(), "0.03937008");
}

TEST(InfoStagedFacts, OrientationOption) {
  std::string out, err;
  ASSERT_EQ(runInfo({"--json", "--orientation", "yUp", "--sample", "vase"}, out, err), 0) << err;
  const auto facts = nlohmann::json::parse(out);
  ASSERT_EQ(facts["size_mm"].size(), 3u);
  EXPECT_EQ(facts["scale_check"], "ok");

  EXPECT_EQ(runInfo({"--orientation", "sideways", "--sample", "vase"}, out, err), cli::exitUsage);
  EXPECT_NE(err.find("asPrinted, standUp, onSide, upsideDown or yUp"), std::string::npos);
  EXPECT_EQ(runInfo({"--sample", "vase", "--orientation"}, out, err), cli::exitUsage);
}
