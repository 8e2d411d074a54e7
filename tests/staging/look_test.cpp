#include "staging/filament_color.h"
#include "staging/look.h"

#include "base/localized.h"
#include "input/sample_models.h"

#include <gtest/gtest.h>

#include <set>

using namespace vantorel;
using nlohmann::json;

namespace {

const char* const kKeys[] = {"finish",     "color",  "useFileColors",  "layerLines",  "layerHeight",
                             "background", "backgroundColor", "lighting", "shadow", "scaleReference",
                             "orientation", "camera", "startAngle"};

Look customLook() {
  Look look;
  look.finish = Finish::silk;
  look.color = {0.5, 0.25, 0.125, 0.75};
  look.useFileColors = false;
  look.layerLines = true;
  look.layerHeight = 0.12;
  look.background = BackgroundStyle::transparent;
  look.backgroundColor = {0, 0, 0, 1};
  look.lighting = LightingPreset::dramatic;
  look.shadow = false;
  look.scaleReference = ScaleReference::disc;
  look.orientation = Orientation::onSide;
  look.camera = CameraAngle::top;
  look.startAngle = -47.5;
  return look;
}

}  // namespace

// The table-backed choices are checked together in the output tests; orientation keeps its own functions.
TEST(LookChoices, EveryOrientationRoundTripsThroughItsRawValue) {
  std::set<std::string> titles;
  for (Orientation o : allOrientations) {
    EXPECT_EQ(orientationFromRaw(rawValue(o)), o);
    titles.insert(title(o));
  }
  EXPECT_EQ(titles.size(), allOrientations.size());
  EXPECT_FALSE(orientationFromRaw("OnSide"));
}

TEST(LookChoices, TitlesGoThroughTheTranslator) {
  setTranslator([](std::string_view english) { return "«" + std::string(english) + "»"; });
  EXPECT_EQ(title(Finish::gloss), "«Glossy PETG»");
  EXPECT_EQ(title(CameraAngle::eyeLevel), "«Eye level»");
  EXPECT_EQ(title(Orientation::onSide), "«On its side»");
  setTranslator({});
}

TEST(FilamentColor, BuiltInSwatchesHaveDistinctNamesAndTheDefaultIsBlue) {
  const auto swatches = FilamentColor::builtIn();
  ASSERT_EQ(swatches.size(), 16u);
  std::set<std::string> names;
  for (const auto& s : swatches) names.insert(s.name);
  EXPECT_EQ(names.size(), swatches.size());
  EXPECT_EQ(swatches[9].name, "Blue");
  EXPECT_EQ(Look{}.color, swatches[9].color);
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
  const auto custom = encode(customLook());
  EXPECT_EQ(std::vector<std::string>({custom["finish"], custom["background"], custom["lighting"], custom["scaleReference"],
                                      custom["orientation"], custom["camera"]}),
            (std::vector<std::string>{"silk", "transparent", "dramatic", "disc", "onSide", "top"}));
}

TEST(LookJSON, RoundTripsThroughText) {
  for (const Look& look : {Look{}, customLook()}) {
    EXPECT_EQ(decodeLook(json::parse(encode(look).dump())), look);
    EXPECT_EQ(json::parse(json(look).dump()).get<Look>(), look);
  }
  EXPECT_NE(customLook(), Look{});
}

TEST(LookJSON, ExtraKeysAreIgnored) {
  json j = encode(customLook());
  j["futureSetting"] = 42;
  EXPECT_EQ(decodeLook(j), customLook());
}

TEST(LookJSON, EveryMissingKeyFailsTheWhole) {
  for (const char* key : kKeys) {
    json j = encode(customLook());
    j.erase(key);
    EXPECT_THROW(decodeLook(j), json::exception) << key;
  }
  EXPECT_THROW(decodeLook(json::array()), json::exception);
  EXPECT_THROW(decodeLook(json("look")), json::exception);
}

TEST(LookJSON, WrongTypesFail) {
  const std::pair<const char*, json> wrong[] = {
      {"finish", 1},           {"color", "#FF0000"},      {"useFileColors", 1},    {"layerLines", "false"},
      {"layerHeight", true},   {"layerHeight", "0.2"},    {"background", nullptr}, {"backgroundColor", json::array()},
      {"lighting", false},     {"shadow", 0},             {"scaleReference", 2},   {"orientation", json::object()},
      {"camera", 22},          {"startAngle", false},     {"startAngle", nullptr}};
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

TEST(LookJSON, UnknownRawValuesFail) {
  const std::pair<const char*, const char*> unknown[] = {{"finish", "glitter"},     {"finish", "Matte"},
                                                         {"background", "sweep"},    {"lighting", "neon"},
                                                         {"scaleReference", "coin"}, {"orientation", "sideways"},
                                                         {"camera", "worm"}};
  for (const auto& [key, value] : unknown) {
    json j = encode(Look{});
    j[key] = value;
    EXPECT_THROW(decodeLook(j), json::exception) << key << " = " << value;
  }
}

TEST(LookJSON, IntegralNumbersAreAcceptedForFloatingFields) {
  json j = encode(Look{});
  j["startAngle"] = 90;
  j["layerHeight"] = 1;
  const Look look = decodeLook(j);
  EXPECT_EQ(look.startAngle, 90.0);
  EXPECT_EQ(look.layerHeight, 1.0);
}


TEST(Look, AFreshModelShowsItsFileColoursOnlyWhenItHasSome) {
  EXPECT_TRUE(defaultLook(SampleModels::planterAndSaucer()).useFileColors);
  EXPECT_EQ(defaultLook(SampleModels::twistedVase()), (Look{.useFileColors = false}));
}
