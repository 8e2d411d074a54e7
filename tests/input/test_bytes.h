#pragma once
// Small helpers for building reader input in tests and catching its refusals.
#include "input/load_error.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace vantorel::test {

using Bytes = std::vector<std::byte>;

inline Bytes bytesOf(std::string_view text) {
  Bytes b(text.size());
  if (!text.empty()) std::memcpy(b.data(), text.data(), text.size());
  return b;
}

/// The LoadError that `work` throws; none when it returns.
template <class Work>
std::optional<LoadError> refusal(Work&& work) {
  try {
    work();
  } catch (const LoadError& e) {
    return e;
  }
  return std::nullopt;
}

inline std::string_view textOf(const Bytes& b) { return {reinterpret_cast<const char*>(b.data()), b.size()}; }

/// A binary STL with the given triangles (9 floats each) and a header that may begin with "solid".
inline Bytes binarySTL(const std::vector<std::array<float, 9>>& triangles, std::string_view header = "binary") {
  Bytes b(84 + 50 * triangles.size());
  std::memcpy(b.data(), header.data(), std::min<std::size_t>(header.size(), 80));
  const auto n = static_cast<std::uint32_t>(triangles.size());
  std::memcpy(b.data() + 80, &n, 4);
  for (std::size_t i = 0; i < triangles.size(); ++i) std::memcpy(b.data() + 84 + 50 * i + 12, triangles[i].data(), 36);
  return b;
}

}  // namespace vantorel::test
