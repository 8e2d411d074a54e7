#pragma once
// The drawable form of one object: per-vertex normals that keep curved surfaces smooth and printed
// edges crisp, and the triangles split by colour so that each list gets its own material.
#include "input/print_model.h"

#include <cstdint>
#include <vector>

namespace vantorel {

static_assert(sizeof(Float3) == 3 * sizeof(float), "positions and normals upload as tightly packed float triples");

struct RenderMesh {
  /// The triangles of one colour. `color` is a palette index of the model, or −1 for none.
  struct Group {
    std::int64_t color = -1;
    std::vector<std::uint32_t> indices;  ///< whole triangles, indexing `positions`
    bool operator==(const Group&) const = default;
  };

  std::vector<Float3> positions;  ///< mm, in the object's file coordinates
  std::vector<Float3> normals;    ///< unit length, one per position
  std::vector<Group> groups;      ///< ascending by colour key, never empty

  /// The crease angle the studio builds with (degrees).
  static constexpr float kStudioCreaseAngle = 32;

  /// Builds the mesh of `object`. Corners whose faces fold by more than `creaseAngle` (degrees)
  /// get separate vertices; a trailing incomplete triangle is ignored. Pure; never fails.
  /// Time is linear in corners plus the sum of squared vertex valences.
  static RenderMesh build(const ModelObject& object, float creaseAngle = kStudioCreaseAngle);

  bool operator==(const RenderMesh&) const = default;
};

}  // namespace vantorel
