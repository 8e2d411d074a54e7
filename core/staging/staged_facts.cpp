#include "staging/staged_facts.h"

#include "base/localized.h"
#include "staging/placement.h"

#include <charconv>
#include <cmath>

namespace vantorel {
namespace {

std::string fixed(double value, int decimals) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return std::string(text, result.ptr);
}

// The shortest decimal text that reads back as `value` ("0.03937008", "100000"), with an exponent
// only where plain digits would run long ("1e-16").
std::string shortest(float value) {
  char text[64];
  const auto plain = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  if (plain.ec == std::errc() && plain.ptr - text <= 10) return std::string(text, plain.ptr);
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

double micrometres(float mm) { return std::round(double(mm) * 1000.0) / 1000.0; }

}  // namespace

StagedFacts StagedFacts::of(const PrintModel& model, Orientation orientation) {
  const Float3 staged = Placement::of(model, orientation).stagedSize();
  return {{staged.x, staged.z, staged.y}, ScaleCheck::of(staged)};
}

std::array<double, 3> StagedFacts::millimetres() const {
  return {micrometres(size.x), micrometres(size.y), micrometres(size.z)};
}

std::string StagedFacts::sizeText() const {
  const Float3 inches = size * (1.0f / 25.4f);
  return fixed(size.x, 1) + " \u00D7 " + fixed(size.y, 1) + " \u00D7 " + fixed(size.z, 1) + " mm (" +
         fixed(inches.x, 2) + " \u00D7 " + fixed(inches.y, 2) + " \u00D7 " + fixed(inches.z, 2) + " in)";
}

std::optional<std::string> StagedFacts::scaleText() const {
  const auto message = check.message();
  if (!message) return std::nullopt;
  const auto factor = check.suggestedFactor();
  if (!factor) return message;
  return *message + " " + localized("Suggested factor:") + " " + shortest(*factor);
}

std::optional<double> StagedFacts::suggestedFactor() const {
  const auto factor = check.suggestedFactor();
  if (!factor) return std::nullopt;
  const std::string text = shortest(*factor);
  double wide = *factor;
  std::from_chars(text.data(), text.data() + text.size(), wide);
  return wide;
}

std::string_view StagedFacts::checkName() const {
  switch (check.kind) {
    case ScaleCheck::Kind::tooSmall: return "tooSmall";
    case ScaleCheck::Kind::tooLarge: return "tooLarge";
    case ScaleCheck::Kind::ok: return "ok";
  }
  return "ok";
}

}  // namespace vantorel
