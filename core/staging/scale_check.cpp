#include "staging/scale_check.h"

#include "base/localized.h"

#include <algorithm>
#include <charconv>

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
  switch (kind) {
    case Kind::tooSmall: return 25.4f;
    case Kind::tooLarge: return largestSide > 15000.0f ? 0.001f : 0.03937008f;
    case Kind::ok: return std::nullopt;
  }
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
