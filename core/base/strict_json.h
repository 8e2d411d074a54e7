#pragma once
// Strict reading of stored JSON objects. nlohmann's own conversions are lenient (a boolean reads as a
// number, 10.5 as the integer 10); stored settings must instead fail whole on any wrong type, so
// every field goes through one of these. Each throws a nlohmann::json::exception on failure.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>

namespace vantorel::StrictJSON {

/// The value under `key`; throws when `object` is not an object or lacks the key.
const nlohmann::json& field(const nlohmann::json& object, const char* key);

/// A JSON number (integer or not) as a double; booleans and strings throw.
double number(const nlohmann::json& object, const char* key);
/// A JSON integer that fits a signed 64-bit integer; fractions, booleans and strings throw.
std::int64_t integer(const nlohmann::json& object, const char* key);
bool boolean(const nlohmann::json& object, const char* key);
std::string string(const nlohmann::json& object, const char* key);

/// The error for a value of the right type that names no case or lies outside what is allowed.
[[noreturn]] void reject(const std::string& what);

}  // namespace vantorel::StrictJSON
