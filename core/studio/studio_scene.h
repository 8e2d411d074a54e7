#pragma once
// The studio's scene as plain data: what each node holds after the last update or render. The
// renderer draws exactly this; tests read it without a picture.
#include "input/print_model.h"
#include "staging/framing.h"
#include "staging/look.h"
#include "staging/placement.h"
#include "studio/lighting.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantorel {

/// The physically based surface of one colour group or reference part.
struct SurfaceMaterial {
  RGBA color{1, 1, 1, 1};  ///< diffuse, sRGB, alpha always 1
  float roughness = 0.5f, metalness = 0, clearCoat = 0;
  float clearCoatRoughness = 0.12f;
  bool doubleSided = true;
  /// Printed layer lines: spacing in mm along the file's +Z (absent when off) and tilt strength.
  std::optional<float> layerHeight;
  float layerStrength = 0.55f;
  /// The ruler's printed scale as the diffuse picture (top face of the ruler only).
  bool rulerScale = false;
  bool operator==(const SurfaceMaterial&) const = default;
};

/// What the reference node holds: nothing, the 24 mm disc or the ruler.
struct ReferenceNode {
  ScaleReference kind = ScaleReference::none;
  int rulerLength = 0;  ///< mm, 50 … 300, for the ruler
  Float3 position;      ///< centre of the geometry, turntable coordinates (mm)
  Float3 size;          ///< width (X), height (Y), length (Z) of its box (mm)
  std::vector<SurfaceMaterial> materials;  ///< disc: one; ruler: edge, then scale
  /// The box of the geometry in turntable coordinates; empty for none.
  Bounds box() const;
  bool operator==(const ReferenceNode&) const = default;
};

/// One visible object as drawn: its name, its mesh in `Studio::meshes()` and one material per group.
struct ObjectNode {
  std::string name;
  std::size_t mesh = 0;
  std::vector<SurfaceMaterial> materials;
  bool operator==(const ObjectNode&) const = default;
};

struct CameraNode {
  Float3 position{0, 0, 100};
  Float3 target;
  float fovY = Framing::kFovY;  ///< degrees, vertical
  float zNear = 0.5f, zFar = 2000;
  bool operator==(const CameraNode&) const = default;
};

/// The scene is drawn in its own units: millimetres times `unitScale`. It is 1 for any model of
/// ordinary size; a model far smaller or larger is drawn as if it were about 100 mm, so that float
/// precision, clipping planes and shadow volumes hold at every size. The model and its reference
/// (their nodes and meshes) stay in mm and the whole turntable is scaled, so the layer height, the
/// ruler and the disc keep their true size next to the model; at such sizes the model alone is
/// framed, lit and given a floor. Floor, lights and camera are in scene units.
struct StudioScene {
  Quaternion turntable;        ///< the turn of the model and its reference about +Y
  float unitScale = 1;         ///< scene units per mm, applied to the turntable's content
  Matrix4 modelTransform;      ///< the model node: the placement's transform
  std::vector<ObjectNode> objects;
  ReferenceNode reference;
  LightRig rig;                ///< floor, key, fill, rim, ambient, environment
  CameraNode camera;
  bool operator==(const StudioScene&) const = default;
};

namespace Scene {

inline constexpr float kLayerStrength = 0.55f;
inline constexpr float kSmallestLayerHeight = 0.04f;  ///< mm

/// The material of a colour group with palette key `groupKey` (−1 for none) under `look`.
SurfaceMaterial groupMaterial(const PrintModel& model, const Look& look, std::int64_t groupKey);

/// The ruler length for a staged box: its larger footprint side rounded up to 50 mm, 50 … 300.
int rulerLength(const Bounds& staged);

/// The reference node for `look.scaleReference` beside a model staged in `staged`.
ReferenceNode reference(const Look& look, const Bounds& staged);

/// The turntable's orientation for `turn` radians and the look's start angle (degrees), with the
/// three-quarter offset of −35°: ψ = turn + (startAngle − 35)·π/180.
float yaw(float turn, double startAngle);

/// Scene units per mm for a model reaching `extent` mm (the larger of its sweep's radius and
/// height): 1 from 1 mm to 100 m, else the power of two that brings it to 64 … 128.
float unitScale(float extent);

/// Near and far clipping planes for a camera `distance` scene units from its target.
inline float nearPlane(float distance) { return distance * 0.05f > 0.5f ? distance * 0.05f : 0.5f; }
inline float farPlane(float distance) { return 20 * distance + 2000; }

}  // namespace Scene
}  // namespace vantorel
