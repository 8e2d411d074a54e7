#pragma once
// The light rig and floor around the model: numbers per lighting preset, the sweep extent that
// scales every size, colour temperatures, and the drawn lighting environment.
#include "staging/look.h"
#include "staging/placement.h"
#include "base/image.h"

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
  bool operator==(const LightRig&) const = default;
};

namespace Lighting {

inline constexpr float kRimTemperature = 6500;
inline const Quaternion kFillOrientation{-0.13548f, 0.49384f, 0.07822f, 0.85536f};
inline const Quaternion kRimOrientation{-0.02621f, 0.95009f, 0.29956f, 0.08312f};
inline constexpr int kShadowMapSize = 4096;
inline constexpr int kEnvironmentWidth = 512, kEnvironmentHeight = 256;

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

/// The 512 × 256 opaque lighting-environment picture of a preset: a grey gradient from top to
/// bottom with two softboxes and a bright strip near the top. Nothing when Cairo cannot make it.
std::optional<Image> environmentImage(LightingPreset preset);

}  // namespace Lighting
}  // namespace vantorel
