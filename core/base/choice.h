#pragma once
// A closed choice: an enumeration whose cases each have a raw value (stored in JSON, never changed)
// and an English title (shown in pickers, in the user's language). Each choice is one table beside
// its enumeration, found by argument-dependent lookup:
//
//   enum class Finish { matte, silk };
//   constexpr auto choiceCases(Finish) {
//     return std::to_array<ChoiceCase<Finish>>({{Finish::matte, "matte", "Matte PLA"},
//                                               {Finish::silk, "silk", "Silk PLA"}});
//   }
//
// and the templates here give every such enumeration `all<T>()`, `rawValue`, `fromRaw<T>`, `title`
// and the JSON conversions nlohmann finds. A table lists the cases in declaration order, which is
// also the order pickers show them in.
#include "base/localized.h"

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace vantorel {

/// One case of a choice. `Raw` is std::string_view, or std::int64_t for choices stored as numbers.
/// An empty title shows the raw value itself in every language (pixel counts, file format names).
template <typename T, typename Raw = std::string_view>
struct ChoiceCase {
  T value;
  Raw raw;
  std::string_view title;
};

template <typename T>
concept Choice = std::is_enum_v<T> && requires(T value) { choiceCases(value); };

namespace detail {

template <Choice T>
inline constexpr auto choiceTable = choiceCases(T{});

template <Choice T>
constexpr bool listedInDeclarationOrder() {
  for (std::size_t i = 0; i < choiceTable<T>.size(); ++i) {
    if (std::size_t(choiceTable<T>[i].value) != i) return false;
  }
  return true;
}

template <Choice T>
constexpr const auto& choiceCase(T value) {
  static_assert(listedInDeclarationOrder<T>(), "a choice's table lists every case once, in declaration order");
  return choiceTable<T>[std::size_t(value)];
}

template <Choice T>
inline constexpr auto allChoices = [] {
  std::array<T, choiceTable<T>.size()> cases{};
  for (std::size_t i = 0; i < cases.size(); ++i) cases[i] = choiceTable<T>[i].value;
  return cases;
}();

void writeRaw(nlohmann::json& j, std::string_view raw);
void writeRaw(nlohmann::json& j, std::int64_t raw);
/// The text of a JSON string; throws for any other type.
std::string_view rawText(const nlohmann::json& j);
/// The value of a JSON integer, nothing for one beyond the signed range; throws for any other type.
std::optional<std::int64_t> rawInteger(const nlohmann::json& j);
/// The error for a value of the right type that names no case.
[[noreturn]] void rejectUnknownChoice(const nlohmann::json& j);

}  // namespace detail

template <Choice T>
using RawOf = decltype(detail::choiceTable<T>[0].raw);

/// Every case, in picker order.
template <Choice T>
constexpr const std::array<T, detail::choiceTable<T>.size()>& all() {
  return detail::allChoices<T>;
}

template <Choice T>
constexpr RawOf<T> rawValue(T value) {
  return detail::choiceCase(value).raw;
}

/// The case whose raw value is exactly `raw` (case-sensitive), or nothing.
template <Choice T>
constexpr std::optional<T> fromRaw(RawOf<T> raw) {
  for (const auto& c : detail::choiceTable<T>) {
    if (c.raw == raw) return c.value;
  }
  return std::nullopt;
}

template <Choice T>
std::string title(T value) {
  const auto& c = detail::choiceCase(value);
  if (!c.title.empty()) return localized(c.title);
  if constexpr (std::is_same_v<RawOf<T>, std::int64_t>) {
    return std::to_string(c.raw);
  } else {
    return std::string(c.raw);
  }
}

/// Writes the raw value.
template <Choice T>
void to_json(nlohmann::json& j, T value) {
  detail::writeRaw(j, rawValue(value));
}

/// Reads a raw value; throws nlohmann::json::exception for a wrong type or a value naming no case.
template <Choice T>
void from_json(const nlohmann::json& j, T& value) {
  std::optional<T> parsed;
  if constexpr (std::is_same_v<RawOf<T>, std::int64_t>) {
    if (const auto raw = detail::rawInteger(j)) parsed = fromRaw<T>(*raw);
  } else {
    parsed = fromRaw<T>(detail::rawText(j));
  }
  if (!parsed) detail::rejectUnknownChoice(j);
  value = *parsed;
}

}  // namespace vantorel
