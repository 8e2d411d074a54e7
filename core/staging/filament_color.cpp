#include "staging/filament_color.h"

#include "base/localized.h"

#include <algorithm>
#include <array>

namespace vantorel {
namespace {

const std::array<FilamentColor, 16> kBuiltIn{{
    {"White", {0.93, 0.93, 0.92, 1.0}},
    {"Light Gray", {0.72, 0.73, 0.74, 1.0}},
    {"Charcoal", {0.20, 0.21, 0.22, 1.0}},
    {"Black", {0.07, 0.07, 0.08, 1.0}},
    {"Red", {0.78, 0.12, 0.13, 1.0}},
    {"Orange", {0.95, 0.45, 0.10, 1.0}},
    {"Yellow", {0.98, 0.80, 0.15, 1.0}},
    {"Green", {0.16, 0.55, 0.27, 1.0}},
    {"Teal", {0.05, 0.55, 0.58, 1.0}},
    {"Blue", {0.13, 0.33, 0.75, 1.0}},
    {"Purple", {0.45, 0.25, 0.65, 1.0}},
    {"Pink", {0.95, 0.55, 0.70, 1.0}},
    {"Wood Tan", {0.72, 0.56, 0.38, 1.0}},
    {"Gold", {0.86, 0.68, 0.30, 1.0}},
    {"Silver", {0.75, 0.76, 0.78, 1.0}},
    {"Copper", {0.76, 0.45, 0.30, 1.0}},
}};

}  // namespace

std::span<const FilamentColor> FilamentColor::builtIn() { return kBuiltIn; }

std::string FilamentColor::displayName() const {
  const bool known = std::any_of(kBuiltIn.begin(), kBuiltIn.end(), [this](const FilamentColor& f) { return f.name == name; });
  return known ? localized(name) : name;
}

}  // namespace vantorel

std::size_t std::hash<vantorel::FilamentColor>::operator()(const vantorel::FilamentColor& f) const noexcept {
  return std::hash<std::string>{}(f.name) * 31u ^ std::hash<vantorel::RGBA>{}(f.color);
}
