#include "base/strict_json.h"

#include <limits>

namespace vantorel::StrictJSON {

const nlohmann::json& field(const nlohmann::json& object, const char* key) {
  if (!object.is_object()) throw nlohmann::json::type_error::create(302, "expected an object", &object);
  const auto it = object.find(key);
  if (it == object.end()) throw nlohmann::json::out_of_range::create(403, std::string("key '") + key + "' not found", &object);
  return *it;
}

double number(const nlohmann::json& object, const char* key) {
  const auto& value = field(object, key);
  if (!value.is_number()) throw nlohmann::json::type_error::create(302, std::string(key) + " must be a number", &value);
  return value.get<double>();
}

std::int64_t integer(const nlohmann::json& object, const char* key) {
  const auto& value = field(object, key);
  if (value.is_number_unsigned()) {
    const auto n = value.get<std::uint64_t>();
    if (n > std::uint64_t(std::numeric_limits<std::int64_t>::max())) reject(std::string(key) + " is too large");
    return std::int64_t(n);
  }
  if (!value.is_number_integer()) throw nlohmann::json::type_error::create(302, std::string(key) + " must be an integer", &value);
  return value.get<std::int64_t>();
}

bool boolean(const nlohmann::json& object, const char* key) {
  const auto& value = field(object, key);
  if (!value.is_boolean()) throw nlohmann::json::type_error::create(302, std::string(key) + " must be a boolean", &value);
  return value.get<bool>();
}

std::string string(const nlohmann::json& object, const char* key) {
  const auto& value = field(object, key);
  if (!value.is_string()) throw nlohmann::json::type_error::create(302, std::string(key) + " must be a string", &value);
  return value.get<std::string>();
}

void reject(const std::string& what) { throw nlohmann::json::other_error::create(501, what, nullptr); }

}  // namespace vantorel::StrictJSON
