#pragma once
// A lighter copy of a very dense object for the software rasteriser, which pays for every
// triangle: far more triangles than a picture has pixels add time and nothing visible.
#include "input/print_model.h"

#include <cstddef>
#include <optional>

namespace vantorel {

/// Objects above this many triangles are drawn from a simplified copy on the software rasteriser.
inline constexpr std::size_t kSoftwareTriangleLimit = 400'000;
/// The size of that copy.
inline constexpr std::size_t kSoftwareTriangleTarget = 300'000;

/// The object simplified towards `target` triangles, its surface moved by at most 0.1 % of its
/// extent (edge-collapse simplification that keeps the topology), or nothing when the object is
/// small enough already or carries per-triangle colours (which a simplified copy would lose).
std::optional<ModelObject> simplifiedCopy(const ModelObject& object, std::size_t limit = kSoftwareTriangleLimit,
                                          std::size_t target = kSoftwareTriangleTarget);

}  // namespace vantorel
