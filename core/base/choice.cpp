#include "base/choice.h"

#include "base/strict_json.h"

#include <limits>

namespace vantorel::detail {

void writeRaw(nlohmann::json& j, std::string_view raw) { j = raw; }
void writeRaw(nlohmann::json& j, std::int64_t raw) { j = raw; }

std::string_view rawText(const nlohmann::json& j) {
  if (!j.is_string()) throw nlohmann::json::type_error::create(302, "a choice must be a string", &j);
  return j.get_ref<const std::string&>();
}

std::optional<std::int64_t> rawInteger(const nlohmann::json& j) {
  if (!j.is_number_integer()) throw nlohmann::json::type_error::create(302, "a choice must be an integer", &j);
  // An unsigned number beyond the signed range names no case either; keep it from wrapping.
  if (j.is_number_unsigned() && j.get<std::uint64_t>() > std::uint64_t(std::numeric_limits<std::int64_t>::max())) {
    return std::nullopt;
  }
  return j.get<std::int64_t>();
}

void rejectUnknownChoice(const nlohmann::json& j) {
  StrictJSON::reject("unknown value " + (j.is_string() ? "\"" + j.get<std::string>() + "\"" : j.dump()));
}

}  // namespace vantorel::detail
