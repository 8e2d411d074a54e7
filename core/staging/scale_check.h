#pragma once
// The verdict on a staged model's size: a largest side far outside what a printer makes suggests
// the file was drawn in another unit.
#include "input/print_model.h"

#include <optional>
#include <string>

namespace vantorel {

struct ScaleCheck {
  enum class Kind { tooSmall, tooLarge, ok };

  Kind kind = Kind::ok;
  /// The largest side in mm; meaningful for tooSmall and tooLarge only.
  float largestSide = 0;

  static ScaleCheck tooSmall(float largestSide) { return {Kind::tooSmall, largestSide}; }
  static ScaleCheck tooLarge(float largestSide) { return {Kind::tooLarge, largestSide}; }
  static ScaleCheck ok() { return {}; }

  /// The verdict for a staged size (mm): largest side below 3 mm is tooSmall, above 1500 mm is
  /// tooLarge; exactly 3 and exactly 1500 are ok.
  static ScaleCheck of(Float3 size);

  /// The factor offered to fix the unit: 25.4 for tooSmall; for tooLarge 0.001 above 15000 mm,
  /// else 1/25.4; where that factor leaves the side out of range, the power of ten that brings it
  /// to 100 … 1000 mm. Nothing for ok, or when no factor can (a side of 0).
  std::optional<float> suggestedFactor() const;

  /// The sentence shown under the size line, in the user's language; nothing for ok.
  std::optional<std::string> message() const;

  /// Cases must match; the side is compared only for the two cases that carry it.
  bool operator==(const ScaleCheck& other) const {
    return kind == other.kind && (kind == Kind::ok || largestSide == other.largestSide);
  }
};

}  // namespace vantorel
