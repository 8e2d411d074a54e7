#pragma once
// Which way a model stands on the turntable. Model files are taken as +Z up; the scene is +Y up.
#include "base/choice.h"
#include "staging/matrix4.h"

#include <array>

namespace vantorel {

/// Stored by raw value (the case name), which must never change.
enum class Orientation { asPrinted, standUp, onSide, upsideDown, yUp };

constexpr auto choiceCases(Orientation) {
  return std::to_array<ChoiceCase<Orientation>>({{Orientation::asPrinted, "asPrinted", "As printed"},
                                                 {Orientation::standUp, "standUp", "Upright (stand it up)"},
                                                 {Orientation::onSide, "onSide", "On its side"},
                                                 {Orientation::upsideDown, "upsideDown", "Upside down"},
                                                 {Orientation::yUp, "yUp", "Y is up (some OBJ files)"}});
}

/// The rotation from file coordinates to scene coordinates. Built from single-precision unit
/// quaternions, so `standUp` is the identity only up to rounding while `yUp` is exactly the identity.
Matrix4 rotation(Orientation orientation);

}  // namespace vantorel
