#pragma once
#include <string>
#include <string_view>

namespace vantorel {

/// `bytes` as valid UTF-8: every ill-formed sequence becomes U+FFFD, as a lenient decoder does.
std::string decodeUTF8Lossy(std::string_view bytes);

/// `text` without leading and trailing bytes from `set`.
std::string_view trim(std::string_view text, std::string_view set = " \t\n\r\v\f");

/// ASCII lower case (other bytes unchanged).
std::string asciiLower(std::string_view text);

}  // namespace vantorel
