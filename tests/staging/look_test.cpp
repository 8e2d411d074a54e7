#include "staging/filament_color.h"
#include "staging/look.h"

#include "input/localized.h"

#include <gtest/gtest.h>

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

TEST(LookChoices, FinishMaterialNumbers) {
  EXPECT_EQ(material(Finish::matte), (FinishMaterial{0.62f, 0, 0}));
  EXPECT_EQ(material(Finish::silk), (FinishMaterial{0.28f, 0.55f, 0.25f}));
  EXPECT_EQ(material(Finish::gloss), (FinishMaterial{0.2f, 0, 0.9f}));
  EXPECT_EQ(material(Finish::tpu), (FinishMaterial{0.82f, 0, 0}));
}

TEST(LookChoices, CameraElevations) {
  EXPECT_EQ(elevation(CameraAngle::threeQuarter), 22);
  EXPECT_EQ(elevation(CameraAngle::eyeLevel), 6);
  EXPECT_EQ(elevation(CameraAngle::high), 40);
  EXPECT_EQ(elevation(CameraAngle::top), 72);
}

TEST(FilamentColor, BuiltInSwatchesInOrder) {
  const std::vector<FilamentColor> expected{
      {"White", {0.93, 0.93, 0.92, 1.0}},  {"Light Gray", {0.72, 0.73, 0.74, 1.0}}, {"Charcoal", {0.20, 0.21, 0.22, 1.0}},
      {"Black", {0.07, 0.07, 0.08, 1.0}},  {"Red", {0.78, 0.12, 0.13, 1.0}},        {"Orange", {0.95, 0.45, 0.10, 1.0}},
      {"Yellow", {0.98, 0.80, 0.15, 1.0}}, {"Green", {0.16, 0.55, 0.27, 1.0}},      {"Teal", {0.05, 0.55, 0.58, 1.0}},
      {"Blue", {0.13, 0.33, 0.75, 1.0}},   {"Purple", {0.45, 0.25, 0.65, 1.0}},     {"Pink", {0.95, 0.55, 0.70, 1.0}},
      {"Wood Tan", {0.72, 0.56, 0.38, 1.0}}, {"Gold", {0.86, 0.68, 0.30, 1.0}},     {"Silver", {0.75, 0.76, 0.78, 1.0}},
      {"Copper", {0.76, 0.45, 0.30, 1.0}}};
  const auto swatches = FilamentColor::builtIn();
  EXPECT_EQ(std::vector<FilamentColor>(swatches.begin(), swatches.end()), expected);
  EXPECT_EQ(Look{}.color, swatches[9].color);  // the default look uses "Blue"
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

TEST(Look, DefaultsAndOfferedLayerHeights) {
  const Look look;
  EXPECT_EQ(look.finish, Finish::matte);
  EXPECT_TRUE(look.useFileColors);
  EXPECT_FALSE(look.layerLines);
  EXPECT_EQ(look.layerHeight, 0.2);
  EXPECT_EQ(look.backgroundColor, (RGBA{0.94, 0.94, 0.95, 1.0}));
  EXPECT_EQ(look.lighting, LightingPreset::softStudio);
  EXPECT_TRUE(look.shadow);
  EXPECT_EQ(look.scaleReference, ScaleReference::none);
  EXPECT_EQ(look.orientation, Orientation::asPrinted);
  EXPECT_EQ(look.camera, CameraAngle::threeQuarter);
  EXPECT_EQ(look.startAngle, 0.0);
  EXPECT_EQ(offeredLayerHeights, (std::array<double, 3>{0.12, 0.2, 0.28}));
}

