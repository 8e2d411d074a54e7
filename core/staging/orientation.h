#pragma once
// Which way a model stands on the turntable. Model files are taken as +Z up; the scene is +Y up.
#include "staging/matrix4.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

/// Stored by raw value (the case name), which must never change.
enum class Orientation { asPrinted, standUp, onSide, upsideDown, yUp };

/// Every case, in picker order.
inline constexpr std::array<Orientation, 5> allOrientations{
    Orientation::asPrinted, Orientation::standUp, Orientation::onSide, Orientation::upsideDown, Orientation::yUp};

std::string_view rawValue(Orientation orientation);
std::optional<Orientation> orientationFromRaw(std::string_view raw);
/// The picker title in the user's language ("As printed", …).
std::string title(Orientation orientation);

/// The rotation from file coordinates to scene coordinates. Built from single-precision unit
/// quaternions, so `standUp` is the identity only up to rounding while `yUp` is exactly the identity.
Matrix4 rotation(Orientation orientation);

}  // namespace vantorel
