#pragma once
// The named filament swatches offered for the look's colour.
#include "base/rgba.h"

#include <cstddef>
#include <span>
#include <string>

namespace vantorel {

struct FilamentColor {
  std::string name;  ///< English name, also the swatch's identity
  RGBA color;

  /// The sixteen built-in swatches, "White" to "Copper", all opaque.
  static std::span<const FilamentColor> builtIn();

  /// The name in the user's language for a built-in name; any other name unchanged.
  std::string displayName() const;

  bool operator==(const FilamentColor&) const = default;
};

}  // namespace vantorel

template <>
struct std::hash<vantorel::FilamentColor> {
  std::size_t operator()(const vantorel::FilamentColor& f) const noexcept;
};
