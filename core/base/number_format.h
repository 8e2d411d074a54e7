#pragma once
#include <cstdint>
#include <string>

namespace vantorel {

/// `value` with the digit grouping of the user's locale ("1,234,567" in English).
std::string formatCount(std::uint64_t value);

}  // namespace vantorel
