#pragma once
// How much of its surroundings each vertex of the model sees, baked once per placement. The model
// is rigid and the turntable only turns it about the vertical, so the shade of its crevices and of
// its foot near the floor never changes while it turns: the bake costs nothing per picture.
#include "input/print_model.h"
#include "staging/bounds.h"
#include "staging/matrix4.h"
#include "staging/render_mesh.h"
#include "studio/gl/device_mesh.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vantorel::gl {

/// What one object draws into the maps, in its file's coordinates: its own triangles or, for a
/// dense object, a coarser copy whose surface may lie `error` (relative to its size) off the object's.
struct Occluding {
  std::vector<Float3> points;
  std::vector<std::uint32_t> indices;
  float error = 0;
};
/// The occluding form of `object`. Pure arithmetic, any thread; it holds for every placement.
Occluding occluderOf(const ModelObject& object);

/// Depth maps of the model from a few dozen directions, drawn and read back once per placement;
/// any drawn form of its objects (whole or simplified) then takes its occlusion from them.
class OcclusionMaps {
 public:
  /// Draws the maps of the objects' occluding forms standing under `placement`, a rigid
  /// transform whose result `placed` bounds, on the floor at y = 0. Needs the studio's context
  /// current; leaves the default framebuffer bound. Without a device (or when it fails) every
  /// vertex shaded from the maps stays fully open.
  OcclusionMaps(std::span<const Occluding> objects, const Matrix4& placement, const Bounds& placed);

  /// The occlusion of `mesh`'s vertices (0 closed … 255 open, one per position), the objects
  /// occluding each other and the floor hiding the ground; every vertex open when the maps failed.
  /// Bounded by the mesh's vertices times the directions.
  std::vector<std::uint8_t> shade(const RenderMesh& mesh) const;

  struct Direction {
    Float3 unit;                // towards the viewer
    Float3 right, up, towards;  // the view's axes, divided by the sphere's radius
    float weight;               // 1 + kUpward · height
    std::size_t origin;         // the first texel of its map in the atlas
  };

 private:
  Matrix4 placement_;
  Float3 centre_;
  float radius_ = 0, coarse_ = 0;
  int atlasWidth_ = 0;
  std::vector<Direction> directions_;
  std::vector<std::uint16_t> depth_;  // empty: no maps
};

}  // namespace vantorel::gl
