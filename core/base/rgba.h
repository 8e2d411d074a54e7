#pragma once
#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

/// A colour, each component 0…1, interpreted as sRGB (alpha 1 is opaque).
struct RGBA {
  double r = 0, g = 0, b = 0, a = 1;

  /// Parses "#RRGGBB", "RRGGBBAA" or "#RGB" (white space around is allowed); nothing for any other text.
  static std::optional<RGBA> hex(std::string_view text);

  bool operator==(const RGBA&) const = default;
};

/// "#RRGGBB", or "#RRGGBBAA" when the colour is not opaque (channels rounded to 8 bits).
std::string hexText(const RGBA& c);

/// JSON form {"r":…,"g":…,"b":…,"a":…}; decoding requires all four numbers and throws
/// nlohmann::json::exception otherwise.
void to_json(nlohmann::json& j, const RGBA& c);
void from_json(const nlohmann::json& j, RGBA& c);

}  // namespace vantorel

template <>
struct std::hash<vantorel::RGBA> {
  std::size_t operator()(const vantorel::RGBA& c) const noexcept;
};
