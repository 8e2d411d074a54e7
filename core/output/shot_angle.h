#pragma once
// The product-shot views and the hero shot's camera height.
#include "staging/look_choices.h"

#include <array>
#include <optional>
#include <string>

namespace vantorel {

/// One product-shot view. `turn` is degrees relative to the studio's start view; an absent
/// `elevation` means the look's camera elevation.
struct ShotAngle {
  std::string id;     ///< identifier and file-name suffix, e.g. "2-front"
  std::string title;  ///< display name (localised)
  float turn = 0;
  std::optional<float> elevation;

  /// The six fixed views in file and progress order.
  static const std::array<ShotAngle, 6>& set();

  bool operator==(const ShotAngle&) const = default;
};

/// The hero shot's elevation in degrees for the look's camera angle.
float heroElevation(CameraAngle camera);

}  // namespace vantorel
