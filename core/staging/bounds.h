#pragma once
// An axis-aligned box in millimetres, the accumulator of every extent in staging and framing.
#include "staging/matrix4.h"

#include <limits>
#include <span>
#include <vector>

namespace vantorel {

struct Bounds {
  static constexpr float kInfinity = std::numeric_limits<float>::infinity();

  /// A default box is the empty box: min = +∞, max = −∞, so including any point replaces both.
  Float3 min{kInfinity, kInfinity, kInfinity};
  Float3 max{-kInfinity, -kInfinity, -kInfinity};

  /// The shared empty box, the start of every accumulation.
  static const Bounds empty;

  /// The box of `points` (the empty box for none).
  static Bounds of(std::span<const Float3> points);

  /// True when max.x < min.x (only x is compared, so a box with any point in it is never empty).
  bool isEmpty() const { return max.x < min.x; }
  /// max − min, or (0, 0, 0) for the empty box.
  Float3 size() const;
  /// (min + max) × 0.5, or (0, 0, 0) for the empty box.
  Float3 center() const;

  void include(Float3 point);
  /// Grows to hold `other`; an empty `other` changes nothing.
  void formUnion(const Bounds& other);

  /// The eight corners, bit 0 of the index choosing max.x, bit 1 max.y, bit 2 max.z; none when empty.
  std::vector<Float3> corners() const;
  /// The box of the eight transformed corners; the empty box stays empty.
  Bounds transformed(const Matrix4& m) const;

  bool operator==(const Bounds&) const = default;
};

inline const Bounds Bounds::empty{};

}  // namespace vantorel
