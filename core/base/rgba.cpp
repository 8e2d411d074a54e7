#include "base/rgba.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <charconv>
#include <cstdint>
#include <string>

namespace vantorel {

std::optional<RGBA> RGBA::hex(std::string_view text) {
  constexpr std::string_view space = " \t\n\r\v\f";
  const auto first = text.find_first_not_of(space);
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(space) - first + 1);
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);

  std::string digits;
  if (text.size() == 3) {
    for (char c : text) digits.append(2, c);
  } else {
    digits.assign(text);
  }
  if (digits.size() != 6 && digits.size() != 8) return std::nullopt;

  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;

  if (digits.size() == 6) value = (value << 8) | 0xFFu;
  const auto channel = [value](int shift) { return double((value >> shift) & 0xFFu) / 255.0; };
  return RGBA{channel(24), channel(16), channel(8), channel(0)};
}

std::string hexText(const RGBA& c) {
  const auto byte = [](double v) { return unsigned(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
  char text[10];
  if (byte(c.a) == 255) {
    std::snprintf(text, sizeof text, "#%02X%02X%02X", byte(c.r), byte(c.g), byte(c.b));
  } else {
    std::snprintf(text, sizeof text, "#%02X%02X%02X%02X", byte(c.r), byte(c.g), byte(c.b), byte(c.a));
  }
  return text;
}

void to_json(nlohmann::json& j, const RGBA& c) {
  j = nlohmann::json{{"r", c.r}, {"g", c.g}, {"b", c.b}, {"a", c.a}};
}

void from_json(const nlohmann::json& j, RGBA& c) {
  // at() throws for a missing key; get<double>() throws for a non-number.
  const auto number = [&j](const char* key) {
    const auto& v = j.at(key);
    if (!v.is_number()) throw nlohmann::json::type_error::create(302, std::string(key) + " must be a number", &j);
    return v.get<double>();
  };
  c = RGBA{number("r"), number("g"), number("b"), number("a")};
}

}  // namespace vantorel

std::size_t std::hash<vantorel::RGBA>::operator()(const vantorel::RGBA& c) const noexcept {
  std::size_t h = 0;
  for (double v : {c.r, c.g, c.b, c.a}) h = h * 1000003u ^ std::hash<double>{}(v);
  return h;
}
