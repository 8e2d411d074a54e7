#include "staging/look.h"

#include "base/strict_json.h"

namespace vantorel {

nlohmann::ordered_json encode(const Look& look) {
  nlohmann::ordered_json j;
  j["finish"] = rawValue(look.finish);
  j["color"] = nlohmann::ordered_json{{"r", look.color.r}, {"g", look.color.g}, {"b", look.color.b}, {"a", look.color.a}};
  j["useFileColors"] = look.useFileColors;
  j["layerLines"] = look.layerLines;
  j["layerHeight"] = look.layerHeight;
  j["background"] = rawValue(look.background);
  j["backgroundColor"] = nlohmann::ordered_json{
      {"r", look.backgroundColor.r}, {"g", look.backgroundColor.g}, {"b", look.backgroundColor.b}, {"a", look.backgroundColor.a}};
  j["lighting"] = rawValue(look.lighting);
  j["shadow"] = look.shadow;
  j["scaleReference"] = rawValue(look.scaleReference);
  j["orientation"] = rawValue(look.orientation);
  j["camera"] = rawValue(look.camera);
  j["startAngle"] = look.startAngle;
  return j;
}

Look decodeLook(const nlohmann::json& json) {
  using namespace StrictJSON;
  Look look;
  look.finish = field(json, "finish").get<Finish>();
  look.color = field(json, "color").get<RGBA>();
  look.useFileColors = boolean(json, "useFileColors");
  look.layerLines = boolean(json, "layerLines");
  look.layerHeight = number(json, "layerHeight");
  look.background = field(json, "background").get<BackgroundStyle>();
  look.backgroundColor = field(json, "backgroundColor").get<RGBA>();
  look.lighting = field(json, "lighting").get<LightingPreset>();
  look.shadow = boolean(json, "shadow");
  look.scaleReference = field(json, "scaleReference").get<ScaleReference>();
  look.orientation = field(json, "orientation").get<Orientation>();
  look.camera = field(json, "camera").get<CameraAngle>();
  look.startAngle = number(json, "startAngle");
  return look;
}

void to_json(nlohmann::json& j, const Look& look) { j = encode(look); }
void from_json(const nlohmann::json& j, Look& look) { look = decodeLook(j); }

}  // namespace vantorel
