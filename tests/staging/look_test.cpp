#include "staging/filament_color.h"
#include "staging/look.h"

#include "base/localized.h"
#include "input/sample_models.h"

#include <gtest/gtest.h>

#include <set>

using namespace vantorel;
using nlohmann::json;

namespace {

const Look kCustom{.finish = Finish::silk, .color = {0.5, 0.25, 0.125, 0.75}, .useFileColors = false, .layerLines = true,
                   .layerHeight = 0.12, .background = BackgroundStyle::transparent, .backgroundColor = {0, 0, 0, 1},
                   .lighting = LightingPreset::dramatic, .shadow = false, .scaleReference = ScaleReference::disc,
                   .orientation = Orientation::onSide, .camera = CameraAngle::top, .startAngle = -47.5};

}  // namespace

TEST(FilamentColor, BuiltInSwatchesHaveDistinctNamesAndTheDefaultIsBlue) {
  const auto swatches = FilamentColor::builtIn();
  std::set<std::string> names;
  for (const auto& s : swatches) names.insert(s.name);
  EXPECT_EQ(names.size(), swatches.size());
  ASSERT_GT(swatches.size(), 9u);
  EXPECT_EQ(swatches[9], (FilamentColor{"Blue", Look{}.color}));
}

TEST(FilamentColor, OnlyBuiltInNamesAreLocalised) {
  setTranslator([](std::string_view english) { return english == "Teal" ? std::string("Sarcelle") : std::string(english) + "?"; });
  EXPECT_EQ((FilamentColor{"Teal", {0.05, 0.55, 0.58, 1}}).displayName(), "Sarcelle");
  EXPECT_EQ((FilamentColor{"Mauve", {0.6, 0.4, 0.6, 1}}).displayName(), "Mauve");
  setTranslator({});
}

TEST(LookJSON, DefaultEncodesTheThirteenKeysInOrder) {
  EXPECT_EQ(encode(Look{}).dump(),
            R"({"finish":"matte","color":{"r":0.13,"g":0.33,"b":0.75,"a":1.0},"useFileColors":true,)"
            R"("layerLines":false,"layerHeight":0.2,"background":"studio",)"
            R"("backgroundColor":{"r":0.94,"g":0.94,"b":0.95,"a":1.0},"lighting":"softStudio","shadow":true,)"
            R"("scaleReference":"none","orientation":"asPrinted","camera":"threeQuarter","startAngle":0.0})");
  // Files already written name the other cases so too.
  const auto custom = encode(kCustom);
  EXPECT_EQ(std::vector<std::string>({custom["finish"], custom["background"], custom["lighting"], custom["scaleReference"],
                                      custom["orientation"], custom["camera"]}),
            (std::vector<std::string>{"silk", "transparent", "dramatic", "disc", "onSide", "top"}));
}

TEST(LookJSON, RoundTripsThroughTextIgnoringExtraKeysAndTakingWholeNumbers) {
  for (const Look& look : {Look{}, kCustom}) {
    EXPECT_EQ(decodeLook(json::parse(encode(look).dump())), look);
    EXPECT_EQ(json::parse(json(look).dump()).get<Look>(), look);
  }
  EXPECT_NE(kCustom, Look{});
  json j = encode(kCustom);
  j["futureSetting"] = 42;
  j["startAngle"] = 90;
  j["layerHeight"] = 1;
  Look expected = kCustom;
  expected.startAngle = 90;
  expected.layerHeight = 1;
  EXPECT_EQ(decodeLook(j), expected);
}

TEST(LookJSON, MissingKeysWrongTypesAndUnknownRawValuesFailTheWhole) {
  const auto custom = encode(kCustom);
  for (const auto& item : custom.items()) {
    json j = custom;
    j.erase(item.key());
    EXPECT_THROW(decodeLook(j), json::exception) << item.key();
  }
  EXPECT_THROW(decodeLook(json::array()), json::exception);
  EXPECT_THROW(decodeLook(json("look")), json::exception);

  const std::pair<const char*, json> wrong[] = {
      {"finish", 1},           {"color", "#FF0000"},      {"useFileColors", 1},    {"layerLines", "false"},
      {"layerHeight", true},   {"layerHeight", "0.2"},    {"background", nullptr}, {"backgroundColor", json::array()},
      {"lighting", false},     {"shadow", 0},             {"scaleReference", 2},   {"orientation", json::object()},
      {"camera", 22},          {"startAngle", false},     {"startAngle", nullptr}, {"finish", "glitter"},
      {"finish", "Matte"},     {"background", "sweep"},   {"lighting", "neon"},    {"scaleReference", "coin"},
      {"orientation", "sideways"}, {"camera", "worm"}};
  for (const auto& [key, value] : wrong) {
    json j = encode(Look{});
    j[key] = value;
    EXPECT_THROW(decodeLook(j), json::exception) << key << " = " << value.dump();
  }
  json j = encode(Look{});
  j["color"].erase("a");
  EXPECT_THROW(decodeLook(j), json::exception);
  j = encode(Look{});
  j["backgroundColor"]["g"] = true;
  EXPECT_THROW(decodeLook(j), json::exception);
}

TEST(Look, AFreshModelShowsItsFileColoursOnlyWhenItHasSome) {
  EXPECT_TRUE(defaultLook(SampleModels::planterAndSaucer()).useFileColors);
  EXPECT_EQ(defaultLook(SampleModels::twistedVase()), (Look{.useFileColors = false}));
}
