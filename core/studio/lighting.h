#pragma once
// The light rig and floor around the model: numbers per lighting preset, the sweep extent that
// scales every size, colour temperatures, and the drawn lighting environment.
#include "staging/look.h"
#include "staging/placement.h"
#include "base/image.h"
#include "studio/environment_light.h"

#include <array>
#include <optional>

namespace vantorel {

/// How far the model (and its scale reference) sweeps in a full turn, in scene units (mm times
/// the scene's unit scale).
struct SweepExtent {
  float radius = 0.5f;
  float height = 0.5f;
  /// E = max(radius, height), the length every lighting size is scaled by.
  float extent() const { return radius > height ? radius : height; }
  bool operator==(const SweepExtent&) const = default;
};

struct LightingValues {
  float keyIntensity, fillIntensity, rimIntensity, ambientIntensity;  ///< lumen-like; 1000 is the reference level
  float temperature;                                                   ///< K, for key, fill and ambient
  float keyYaw, keyPitch;                                              ///< degrees about +Y, then +X
  float shadowRadius;                                                  ///< softness of the key's shadow
  float shadowOpacity;                                                 ///< alpha of the black shadow colour
  float environmentIntensity;
  std::array<float, 3> environmentGreys;                               ///< top, middle, bottom (sRGB)
  /// How much of the light a backdrop sweep sends back reaches the model: 1 for an open set; less
  /// where the look wants its dark side (as black cards beside the model would).
  float sweepBounce;
  bool operator==(const LightingValues&) const = default;
};

/// One light of the rig. Directional lights shine along their orientation's −Z axis, from
/// `position` towards the origin.
struct LightNode {
  enum class Type { directional, ambient };
  Type type = Type::directional;
  float intensity = 0;
  float temperature = 6500;  ///< K
  Quaternion orientation;
  Float3 position;
  bool castsShadow = false;
  // Shadow settings (key only).
  int shadowSampleCount = 0;
  float shadowRadius = 0;
  int shadowMapSize = 0;
  float shadowOpacity = 0;
  float orthographicScale = 0;  ///< half the side of the shadow volume, mm
  float shadowNear = 0, shadowFar = 0;
  float shadowBias = 0;
  bool operator==(const LightNode&) const = default;
};

/// The shadow-catching floor: a square of `side` mm lying flat at `position`.
struct FloorNode {
  float side = 0;
  Float3 position;
  bool hidden = false;
  bool operator==(const FloorNode&) const = default;
};

/// Everything staging puts around the model for one look.
struct LightRig {
  FloorNode floor;
  LightNode key, fill, rim, ambient;
  LightingPreset environment = LightingPreset::softStudio;
  float environmentIntensity = 0;
  /// The backdrop colour the model's surroundings have (sRGB), which the environment's sweep bounces.
  RGBA sweepColor{1, 1, 1, 1};
  bool operator==(const LightRig&) const = default;
};

namespace Lighting {

inline constexpr float kRimTemperature = 6500;
inline const Quaternion kFillOrientation{-0.13548f, 0.49384f, 0.07822f, 0.85536f};
inline const Quaternion kRimOrientation{-0.02621f, 0.95009f, 0.29956f, 0.08312f};
inline constexpr int kShadowMapSize = 4096;
inline constexpr int kEnvironmentWidth = 512, kEnvironmentHeight = 256;
/// The lighting program's units: a light of 1000 shines 1.15 in linear light, and the environment
/// picture's linear values shine at its intensity times 0.6.
inline constexpr float kLightUnit = 1.15f / 1000.0f;
inline constexpr float kEnvironmentUnit = 0.6f;
/// The sweep's albedo per unit of its shown colour in linear light: the backdrop shows the sweep
/// lit by somewhat more than one unit of light, so a near-white backdrop reflects about 0.7.
inline constexpr float kSweepAlbedo = 0.8f;

/// The preset's numbers.
LightingValues values(LightingPreset preset);

/// The sweep extent of a staged model and its scale reference's box in turntable coordinates
/// (empty for none), times `unitScale`, each side then at least `smallest`.
SweepExtent sweepExtent(const Placement& placement, const Bounds& reference, float unitScale = 1, float smallest = 0.5f);

/// The key light's orientation for a preset: rotation by its yaw about +Y times its pitch about +X.
Quaternion keyOrientation(LightingPreset preset);

/// The floor, lights and environment for `look` around a sweep of `extent`.
LightRig stage(const Look& look, SweepExtent extent);

/// The linear-light RGB colour of a black body at `kelvin`, scaled so that 6500 K is (1, 1, 1) and
/// every colour has luminance 1 (so temperature changes tint, intensity alone sets strength).
/// Clamped to 1000–40000 K.
Float3 temperatureColor(float kelvin);

/// The colour of the sweep around the model for `look`: its backdrop colour, or the default
/// backdrop's for a transparent picture, which will be laid over an unknown page.
RGBA sweepColor(const Look& look);

/// The sweep's floor and wall for `preset` in a backdrop of `sweep` colour, in the environment
/// picture's units, as lit by the preset's lamps (unshadowed), its ambient light and `around`: the
/// environment's light as far as it is known (the picture's alone, or with an earlier sweep).
SweepLight sweepLight(LightingPreset preset, RGBA sweep, const EnvironmentLight& around);

/// The light of the preset's environment picture seen from inside a sweep of `sweep` colour, with
/// the light the floor and wall pass between each other. Black when the picture cannot be made.
EnvironmentLight environment(LightingPreset preset, RGBA sweep);

/// The 512 × 256 opaque lighting-environment picture of a preset: a grey gradient from top to
/// bottom with two softboxes and a bright strip near the top. Nothing when Cairo cannot make it.
std::optional<Image> environmentImage(LightingPreset preset);

}  // namespace Lighting
}  // namespace vantorel
