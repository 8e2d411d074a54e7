#include "staging/look_choices.h"

#include "input/localized.h"
#include "staging/strict_json.h"

namespace vantorel {
namespace {

template <typename T, std::size_t N>
std::optional<T> fromRaw(const std::array<T, N>& all, std::string_view raw) {
  for (T value : all) {
    if (rawValue(value) == raw) return value;
  }
  return std::nullopt;
}

}  // namespace

std::string_view rawValue(Finish finish) {
  switch (finish) {
    case Finish::matte: return "matte";
    case Finish::silk: return "silk";
    case Finish::gloss: return "gloss";
    case Finish::tpu: return "tpu";
  }
  return "";
}
std::optional<Finish> finishFromRaw(std::string_view raw) { return fromRaw(allFinishes, raw); }
std::string title(Finish finish) {
  switch (finish) {
    case Finish::matte: return localized("Matte PLA");
    case Finish::silk: return localized("Silk PLA");
    case Finish::gloss: return localized("Glossy PETG");
    case Finish::tpu: return localized("Soft TPU");
  }
  return {};
}
FinishMaterial material(Finish finish) {
  switch (finish) {
    case Finish::matte: return {0.62f, 0, 0};
    case Finish::silk: return {0.28f, 0.55f, 0.25f};
    case Finish::gloss: return {0.2f, 0, 0.9f};
    case Finish::tpu: return {0.82f, 0, 0};
  }
  return {};
}

std::string_view rawValue(BackgroundStyle style) {
  switch (style) {
    case BackgroundStyle::studio: return "studio";
    case BackgroundStyle::solid: return "solid";
    case BackgroundStyle::transparent: return "transparent";
  }
  return "";
}
std::optional<BackgroundStyle> backgroundStyleFromRaw(std::string_view raw) { return fromRaw(allBackgroundStyles, raw); }
std::string title(BackgroundStyle style) {
  switch (style) {
    case BackgroundStyle::studio: return localized("Studio sweep");
    case BackgroundStyle::solid: return localized("Solid color");
    case BackgroundStyle::transparent: return localized("Transparent (PNG)");
  }
  return {};
}

std::string_view rawValue(LightingPreset preset) {
  switch (preset) {
    case LightingPreset::softStudio: return "softStudio";
    case LightingPreset::bright: return "bright";
    case LightingPreset::dramatic: return "dramatic";
    case LightingPreset::warm: return "warm";
  }
  return "";
}
std::optional<LightingPreset> lightingPresetFromRaw(std::string_view raw) { return fromRaw(allLightingPresets, raw); }
std::string title(LightingPreset preset) {
  switch (preset) {
    case LightingPreset::softStudio: return localized("Soft studio");
    case LightingPreset::bright: return localized("Bright and even");
    case LightingPreset::dramatic: return localized("Dramatic side light");
    case LightingPreset::warm: return localized("Warm");
  }
  return {};
}

std::string_view rawValue(ScaleReference reference) {
  switch (reference) {
    case ScaleReference::none: return "none";
    case ScaleReference::ruler: return "ruler";
    case ScaleReference::disc: return "disc";
  }
  return "";
}
std::optional<ScaleReference> scaleReferenceFromRaw(std::string_view raw) { return fromRaw(allScaleReferences, raw); }
std::string title(ScaleReference reference) {
  switch (reference) {
    case ScaleReference::none: return localized("None");
    case ScaleReference::ruler: return localized("Ruler (mm)");
    case ScaleReference::disc: return localized("Coin-size disc (24 mm)");
  }
  return {};
}

std::string_view rawValue(CameraAngle angle) {
  switch (angle) {
    case CameraAngle::threeQuarter: return "threeQuarter";
    case CameraAngle::eyeLevel: return "eyeLevel";
    case CameraAngle::high: return "high";
    case CameraAngle::top: return "top";
  }
  return "";
}
std::optional<CameraAngle> cameraAngleFromRaw(std::string_view raw) { return fromRaw(allCameraAngles, raw); }
std::string title(CameraAngle angle) {
  switch (angle) {
    case CameraAngle::threeQuarter: return localized("Three-quarter");
    case CameraAngle::eyeLevel: return localized("Eye level");
    case CameraAngle::high: return localized("High");
    case CameraAngle::top: return localized("From above");
  }
  return {};
}
float elevation(CameraAngle angle) {
  switch (angle) {
    case CameraAngle::threeQuarter: return 22;
    case CameraAngle::eyeLevel: return 6;
    case CameraAngle::high: return 40;
    case CameraAngle::top: return 72;
  }
  return 22;
}

void to_json(nlohmann::json& j, Finish value) { j = rawValue(value); }
void from_json(const nlohmann::json& j, Finish& value) { value = StrictJSON::choice<Finish>(j, finishFromRaw); }
void to_json(nlohmann::json& j, BackgroundStyle value) { j = rawValue(value); }
void from_json(const nlohmann::json& j, BackgroundStyle& value) {
  value = StrictJSON::choice<BackgroundStyle>(j, backgroundStyleFromRaw);
}
void to_json(nlohmann::json& j, LightingPreset value) { j = rawValue(value); }
void from_json(const nlohmann::json& j, LightingPreset& value) {
  value = StrictJSON::choice<LightingPreset>(j, lightingPresetFromRaw);
}
void to_json(nlohmann::json& j, ScaleReference value) { j = rawValue(value); }
void from_json(const nlohmann::json& j, ScaleReference& value) {
  value = StrictJSON::choice<ScaleReference>(j, scaleReferenceFromRaw);
}
void to_json(nlohmann::json& j, CameraAngle value) { j = rawValue(value); }
void from_json(const nlohmann::json& j, CameraAngle& value) { value = StrictJSON::choice<CameraAngle>(j, cameraAngleFromRaw); }

}  // namespace vantorel
