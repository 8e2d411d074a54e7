#pragma once
// The closed choices a look is made of: one table each of raw values (stored in JSON, never changed)
// and English titles; base/choice.h gives them `all`, `rawValue`, `fromRaw`, `title` and JSON.
#include "base/choice.h"

#include <array>

namespace vantorel {

/// The filament's surface.
enum class Finish { matte, silk, gloss, tpu };
constexpr auto choiceCases(Finish) {
  return std::to_array<ChoiceCase<Finish>>({{Finish::matte, "matte", "Matte PLA"},
                                            {Finish::silk, "silk", "Silk PLA"},
                                            {Finish::gloss, "gloss", "Glossy PETG"},
                                            {Finish::tpu, "tpu", "Soft TPU"}});
}

/// The studio material numbers of a finish, each 0…1.
struct FinishMaterial {
  float roughness = 0, metalness = 0, clearCoat = 0;
  bool operator==(const FinishMaterial&) const = default;
};
FinishMaterial material(Finish finish);

enum class BackgroundStyle { studio, solid, transparent };
constexpr auto choiceCases(BackgroundStyle) {
  return std::to_array<ChoiceCase<BackgroundStyle>>({{BackgroundStyle::studio, "studio", "Studio sweep"},
                                                     {BackgroundStyle::solid, "solid", "Solid color"},
                                                     {BackgroundStyle::transparent, "transparent", "Transparent (PNG)"}});
}

enum class LightingPreset { softStudio, bright, dramatic, warm };
constexpr auto choiceCases(LightingPreset) {
  return std::to_array<ChoiceCase<LightingPreset>>({{LightingPreset::softStudio, "softStudio", "Soft studio"},
                                                    {LightingPreset::bright, "bright", "Bright and even"},
                                                    {LightingPreset::dramatic, "dramatic", "Dramatic side light"},
                                                    {LightingPreset::warm, "warm", "Warm"}});
}

enum class ScaleReference { none, ruler, disc };
constexpr auto choiceCases(ScaleReference) {
  return std::to_array<ChoiceCase<ScaleReference>>({{ScaleReference::none, "none", "None"},
                                                    {ScaleReference::ruler, "ruler", "Ruler (mm)"},
                                                    {ScaleReference::disc, "disc", "Coin-size disc (24 mm)"}});
}

/// The camera's elevation above the horizon for previews, videos and GIFs.
enum class CameraAngle { threeQuarter, eyeLevel, high, top };
constexpr auto choiceCases(CameraAngle) {
  return std::to_array<ChoiceCase<CameraAngle>>({{CameraAngle::threeQuarter, "threeQuarter", "Three-quarter"},
                                                 {CameraAngle::eyeLevel, "eyeLevel", "Eye level"},
                                                 {CameraAngle::high, "high", "High"},
                                                 {CameraAngle::top, "top", "From above"}});
}
/// The elevation in degrees: 22, 6, 40 or 72.
float elevation(CameraAngle angle);

}  // namespace vantorel
