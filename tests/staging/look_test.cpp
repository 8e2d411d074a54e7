#include "staging/filament_color.h"
#include "staging/look.h"

#include "input/localized.h"

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

// Raw value and title of every case, in declaration order.
template <typename T, std::size_t N, typename FromRaw>
void expectCases(const std::array<T, N>& all, FromRaw fromRaw,
                 const std::vector<std::pair<std::string, std::string>>& expected) {
  ASSERT_EQ(N, expected.size());
  for (std::size_t i = 0; i < N; ++i) {
    EXPECT_EQ(rawValue(all[i]), expected[i].first);
    EXPECT_EQ(title(all[i]), expected[i].second);
    EXPECT_EQ(fromRaw(expected[i].first), all[i]);
  }
  EXPECT_FALSE(fromRaw(""));
}

}  // namespace

TEST(LookChoices, RawValuesTitlesAndOrder) {
  expectCases(allFinishes, finishFromRaw,
              {{"matte", "Matte PLA"}, {"silk", "Silk PLA"}, {"gloss", "Glossy PETG"}, {"tpu", "Soft TPU"}});
  expectCases(allBackgroundStyles, backgroundStyleFromRaw,
              {{"studio", "Studio sweep"}, {"solid", "Solid color"}, {"transparent", "Transparent (PNG)"}});
  expectCases(allLightingPresets, lightingPresetFromRaw,
              {{"softStudio", "Soft studio"}, {"bright", "Bright and even"}, {"dramatic", "Dramatic side light"},
               {"warm", "Warm"}});
  expectCases(allScaleReferences, scaleReferenceFromRaw,
              {{"none", "None"}, {"ruler", "Ruler (mm)"}, {"disc", "Coin-size disc (24 mm)"}});
  expectCases(allCameraAngles, cameraAngleFromRaw,
              {{"threeQuarter", "Three-quarter"}, {"eyeLevel", "Eye level"}, {"high", "High"}, {"top", "From above"}});
  EXPECT_FALSE(finishFromRaw("Matte"));
}

TEST(LookChoices, TitlesGoThroughTheTranslator) {
  setTranslator([](std::string_view english) { return "«" + std::string(english) + "»"; });
  EXPECT_EQ(title(Finish::gloss), "«Glossy PETG»");
  EXPECT_EQ(title(CameraAngle::eyeLevel), "«Eye level»");
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
  std::vector<std::string> keys;
  const auto encoded = encode(Look{});
  for (const auto& item : encoded.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, std::vector<std::string>(std::begin(kKeys), std::end(kKeys)));
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

