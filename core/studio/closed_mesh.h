#pragma once
// Which side of an object's triangles can never be seen: a closed mesh whose triangles are all
// wound the same way shows only its outside, so the renderer may skip the other side.
#include "input/print_model.h"

namespace vantorel {

enum class HiddenSide {
  none,   ///< open, non-manifold or inconsistently wound: draw both sides
  back,   ///< closed, wound counter-clockwise seen from outside (positive volume)
  front,  ///< closed but wound inside out (negative volume)
};

/// Every directed edge must appear exactly once with its reverse exactly once, and no triangle may
/// repeat a vertex. Time O(t log t) in the triangle count.
HiddenSide hiddenSide(const ModelObject& object);

}  // namespace vantorel
