#pragma once
// Meshes of the scale references: the chamfered ruler box and the coin-like disc, centred on the
// origin, with texture coordinates for the ruler's top face.
#include "input/print_model.h"

#include <cstdint>
#include <vector>

namespace vantorel {

struct ReferenceMesh {
  struct Part {
    std::size_t material = 0;  ///< index into the reference node's materials
    std::vector<std::uint32_t> indices;
  };
  std::vector<Float3> positions;  ///< mm
  std::vector<Float3> normals;
  std::vector<float> uvs;         ///< two per position; (0, 0) is the image's top-left
  std::vector<Part> parts;

  /// A box of `width` (X) × `height` (Y) × `length` (Z) mm with every edge bevelled by `chamfer` mm.
  /// Part 0 (material 0) is the sides, bottom and bevels; part 1 (material 1) the flat top, mapped
  /// to the whole image with its left edge at −X and its top edge at the back (−Z).
  static ReferenceMesh chamferedBox(float width, float height, float length, float chamfer);
  /// A cylinder of `radius` and `height` mm about +Y with `segments` sides; one part, material 0.
  static ReferenceMesh cylinder(float radius, float height, int segments);
};

}  // namespace vantorel
