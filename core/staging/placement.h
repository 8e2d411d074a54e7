#pragma once
// Where a model stands in the studio: turned upright, centred on the turntable axis in X and Z,
// with its lowest visible point on the floor (y = 0).
#include "input/print_model.h"
#include "staging/bounds.h"
#include "staging/orientation.h"

#include <cstdint>
#include <set>

namespace vantorel {

/// Ids of the objects left out of staging and drawing.
using HiddenObjects = std::set<std::int64_t>;

struct Placement {
  /// File coordinates → turntable coordinates: the orientation's rotation, then a translation.
  Matrix4 transform;
  /// The visible geometry's box after `transform` (mm): min.y is 0, X and Z symmetric about 0.
  Bounds bounds = {Float3{}, Float3{}};
  /// The largest horizontal (X–Z) distance of a visible vertex from the turntable axis (mm).
  float radius = 0;

  /// Stages the objects of `model` whose ids are not in `hidden`. With no visible vertex the
  /// translation is the identity, the bounds are all zero and the radius is 0.
  static Placement of(const PrintModel& model, Orientation orientation, const HiddenObjects& hidden = {});

  /// The size of `bounds` (mm), the figure the size line and the scale check use.
  Float3 stagedSize() const { return bounds.size(); }

  bool operator==(const Placement&) const = default;
};

}  // namespace vantorel
