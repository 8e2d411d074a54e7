#include "base/utf8.h"

#include <cstdint>

namespace vantorel {

std::string decodeUTF8Lossy(std::string_view bytes) {
  static constexpr std::string_view replacement = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(bytes.size());
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      out.push_back(char(c));
      ++i;
      continue;
    }
    // Well-formed sequences per Unicode table 3-7; a maximal invalid prefix becomes one U+FFFD.
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) len = 2;
    else if (c == 0xE0) len = 3, lo = 0xA0;
    else if (c == 0xED) len = 3, hi = 0x9F;
    else if (c >= 0xE1 && c <= 0xEF) len = 3;
    else if (c == 0xF0) len = 4, lo = 0x90;
    else if (c == 0xF4) len = 4, hi = 0x8F;
    else if (c >= 0xF1 && c <= 0xF3) len = 4;
    if (len == 0) {
      out.append(replacement);
      ++i;
      continue;
    }
    std::size_t k = 1;
    for (; k < len && i + k < n; ++k) {
      const unsigned char b = s[i + k];
      const unsigned char low = k == 1 ? lo : 0x80, high = k == 1 ? hi : 0xBF;
      if (b < low || b > high) break;
    }
    if (k == len) {
      out.append(bytes.substr(i, len));
    } else {
      out.append(replacement);
    }
    i += k;
  }
  return out;
}

std::string_view trim(std::string_view text, std::string_view set) {
  const auto first = text.find_first_not_of(set);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(set) - first + 1);
}

std::string asciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return out;
}

}  // namespace vantorel
