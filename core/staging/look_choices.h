#pragma once
// The closed choices a look is made of. Each case has a raw value (stored in JSON, never changed)
// and a title (shown in pickers, in the user's language); `all…` lists cases in picker order.
// The JSON functions write the raw value and throw nlohmann::json::exception for any other text.
#include <nlohmann/json_fwd.hpp>

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

/// The filament's surface.
enum class Finish { matte, silk, gloss, tpu };
inline constexpr std::array<Finish, 4> allFinishes{Finish::matte, Finish::silk, Finish::gloss, Finish::tpu};
std::string_view rawValue(Finish finish);
std::optional<Finish> finishFromRaw(std::string_view raw);
std::string title(Finish finish);

/// The studio material numbers of a finish, each 0…1.
struct FinishMaterial {
  float roughness = 0, metalness = 0, clearCoat = 0;
  bool operator==(const FinishMaterial&) const = default;
};
FinishMaterial material(Finish finish);

enum class BackgroundStyle { studio, solid, transparent };
inline constexpr std::array<BackgroundStyle, 3> allBackgroundStyles{BackgroundStyle::studio, BackgroundStyle::solid,
                                                                    BackgroundStyle::transparent};
std::string_view rawValue(BackgroundStyle style);
std::optional<BackgroundStyle> backgroundStyleFromRaw(std::string_view raw);
std::string title(BackgroundStyle style);

enum class LightingPreset { softStudio, bright, dramatic, warm };
inline constexpr std::array<LightingPreset, 4> allLightingPresets{LightingPreset::softStudio, LightingPreset::bright,
                                                                  LightingPreset::dramatic, LightingPreset::warm};
std::string_view rawValue(LightingPreset preset);
std::optional<LightingPreset> lightingPresetFromRaw(std::string_view raw);
std::string title(LightingPreset preset);

enum class ScaleReference { none, ruler, disc };
inline constexpr std::array<ScaleReference, 3> allScaleReferences{ScaleReference::none, ScaleReference::ruler,
                                                                  ScaleReference::disc};
std::string_view rawValue(ScaleReference reference);
std::optional<ScaleReference> scaleReferenceFromRaw(std::string_view raw);
std::string title(ScaleReference reference);

/// The camera's elevation above the horizon for previews, videos and GIFs.
enum class CameraAngle { threeQuarter, eyeLevel, high, top };
inline constexpr std::array<CameraAngle, 4> allCameraAngles{CameraAngle::threeQuarter, CameraAngle::eyeLevel,
                                                            CameraAngle::high, CameraAngle::top};
std::string_view rawValue(CameraAngle angle);
std::optional<CameraAngle> cameraAngleFromRaw(std::string_view raw);
std::string title(CameraAngle angle);
/// The elevation in degrees: 22, 6, 40 or 72.
float elevation(CameraAngle angle);

void to_json(nlohmann::json& j, Finish value);
void from_json(const nlohmann::json& j, Finish& value);
void to_json(nlohmann::json& j, BackgroundStyle value);
void from_json(const nlohmann::json& j, BackgroundStyle& value);
void to_json(nlohmann::json& j, LightingPreset value);
void from_json(const nlohmann::json& j, LightingPreset& value);
void to_json(nlohmann::json& j, ScaleReference value);
void from_json(const nlohmann::json& j, ScaleReference& value);
void to_json(nlohmann::json& j, CameraAngle value);
void from_json(const nlohmann::json& j, CameraAngle& value);

}  // namespace vantorel
