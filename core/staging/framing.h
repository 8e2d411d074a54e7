#pragma once
// Camera framing: where the camera stands so that a cloud of points (turntable coordinates, mm)
// fills the picture without being cut off. The camera never orbits: it looks along −Z from the +Z
// side, raised by the elevation, and the model turns instead. Pure functions of their inputs.
#include "input/print_model.h"
#include "staging/bounds.h"
#include "staging/placement.h"
#include "base/vector_math.h"

#include <span>
#include <vector>

namespace vantorel {

struct CameraPose {
  Float3 position;   ///< mm
  Float3 target;     ///< the point looked at, mm
  float fovY = 26;   ///< vertical field of view, degrees
  bool operator==(const CameraPose&) const = default;
};

/// `turntable` frames the cylinder swept in a full turn (one pose for every frame of a video);
/// `tight` frames the model at its current turn (stills).
enum class FramingMode { turntable, tight };

/// The projected extent of a cloud in normalised picture coordinates (±1 are the edges).
struct PictureBounds {
  Float2 min{Bounds::kInfinity, Bounds::kInfinity};
  Float2 max{-Bounds::kInfinity, -Bounds::kInfinity};
  bool operator==(const PictureBounds&) const = default;
};

namespace Framing {

inline constexpr float kFovY = 26;             ///< degrees
inline constexpr float kTurntableMargin = 0.2f;
inline constexpr float kTightMargin = 0.16f;
inline constexpr int kTurntableAngles = 32;

/// The fraction of the half-frame left free on the tighter side for `mode`.
float margin(FramingMode mode);

/// 2·count points: for each angle i·2π/count, (r cos θ, 0, r sin θ) then (r cos θ, h, r sin θ).
/// Radius and height in mm; count 0 (or negative) gives none.
std::vector<Float3> turntableCloud(int count, float radius, float height);

/// `point` in normalised picture coordinates for a camera at `eye` aimed at `target` with vertical
/// field of view `fovY` (degrees) and `aspect` = width ÷ height. Points at or behind the camera
/// plane are projected at depth 0.0001 mm.
Float2 project(Float3 point, Float3 eye, Float3 target, float fovY, float aspect);

/// The box of all projected points; an empty cloud gives (+∞, +∞) … (−∞, −∞).
PictureBounds pictureBounds(std::span<const Float3> points, Float3 eye, Float3 target, float fovY, float aspect);

/// The pose that frames `points` from `elevation` degrees above the horizon for a picture of
/// `aspect` (width ÷ height), leaving `margin` of the half-frame free on the tighter side, with the
/// picture of the cloud centred. An empty cloud gives the camera at (0, 0, 100) aimed at the origin.
CameraPose solve(std::span<const Float3> points, float elevation, float aspect, float margin, float fovY = kFovY);

/// The cloud for tight framing of a staged model at `turn` radians about +Y: about 3000 vertices
/// sampled evenly from the visible objects (objects under 257 vertices are kept whole), moved by
/// `placement.transform`, plus the eight corners of `reference` (the scale reference's box in
/// turntable coordinates; pass an empty box for none), all turned with the turntable.
std::vector<Float3> tightCloud(const PrintModel& model, const HiddenObjects& hidden, const Placement& placement,
                               const Bounds& reference, float turn);

}  // namespace Framing
}  // namespace vantorel
