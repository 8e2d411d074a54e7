#pragma once
// Merges exactly equal positions into one indexed mesh. Shared by the STL, OBJ and 3MF readers.
#include "input/print_model.h"

#include <cstdint>
#include <vector>

namespace vantorel {

/// One open-addressing table of indices into `positions`, keyed on the float bit patterns with -0
/// folded into +0; one lookup per vertex, no allocation per vertex.
class VertexWelder {
public:
  /// `expectedVertices` sizes the table and `positions`; `expectedTriangles` sizes `indices`.
  /// Both are hints: the welder grows past them.
  explicit VertexWelder(std::size_t expectedVertices = 0, std::size_t expectedTriangles = 0);

  /// The index of an equal position seen before, or the new index of `p` appended to `positions`.
  /// Throws LoadError::malformed when an object would need more than 2^32 vertices.
  std::uint32_t indexOf(Float3 p);

  /// Welds a, b, c in that order and keeps the triple unless two indices are equal. A triangle with
  /// any NaN or infinite coordinate is ignored entirely. Returns whether the triple was kept.
  bool addTriangle(Float3 a, Float3 b, Float3 c);

  bool hasTriangles() const { return !indices_.empty(); }
  const std::vector<Float3>& positions() const { return positions_; }
  const std::vector<std::uint32_t>& indices() const { return indices_; }

  /// Moves the mesh into `object` and leaves the welder empty, ready for the next object.
  void moveInto(ModelObject& object);

private:
  void rehash(std::size_t slotCount);
  std::vector<Float3> positions_;
  std::vector<std::uint32_t> indices_;
  std::vector<std::uint32_t> slots_;  // ~0u marks an empty slot
  std::size_t mask_ = 0;
};

}  // namespace vantorel
