#include "staging/scale_check.h"

#include "base/localized.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vantorel {
namespace {

// printf's "%.<precision>f" of the float widened to double, but always with a full stop: the C
// library's printf would follow LC_NUMERIC, which the desktop application sets from the user.
std::string fixed(float value, int precision) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, double(value), std::chars_format::fixed, precision);
  return std::string(text, result.ptr);
}

std::string fill(std::string format, std::string_view placeholder, const std::string& value) {
  if (const auto at = format.find(placeholder); at != std::string::npos) format.replace(at, placeholder.size(), value);
  return format;
}

}  // namespace

ScaleCheck ScaleCheck::of(Float3 size) {
  const float side = std::max({size.x, size.y, size.z});
  if (side < 3.0f) return tooSmall(side);
  if (side > 1500.0f) return tooLarge(side);
  return ok();
}

std::optional<float> ScaleCheck::suggestedFactor() const {
  if (kind == Kind::ok) return std::nullopt;
  // The unit factors come first, as they name the likely mistake; a side they cannot bring into
  // range gets the power of ten that does.
  const auto fits = [&](float factor) { return of({largestSide * factor, 0, 0}) == ok(); };
  const float unitFactor = kind == Kind::tooSmall ? 25.4f : largestSide > 15000.0f ? 0.001f : 0.03937008f;
  if (fits(unitFactor)) return unitFactor;
  if (!(largestSide > 0) || !std::isfinite(largestSide)) return std::nullopt;
  // Lands the side between 100 and 1000 mm, clear of both limits whatever the rounding.
  const float factor = float(std::pow(10.0, 2 - std::floor(std::log10(double(largestSide)))));
  if (std::isfinite(factor) && fits(factor)) return factor;
  return std::nullopt;
}

std::optional<std::string> ScaleCheck::message() const {
  switch (kind) {
    case Kind::tooSmall:
      return fill(localized("This model is only %.2f mm across. If it was drawn in inches, scale it up 25.4×."),
                  "%.2f", fixed(largestSide, 2));
    case Kind::tooLarge:
      return fill(localized("This model is %.0f mm across. If it was drawn in meters or the wrong unit, scale it down."),
                  "%.0f", fixed(largestSide, 0));
    case Kind::ok: return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace vantorel
