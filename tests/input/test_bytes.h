#pragma once
// Small helpers for building reader input in tests.
#include <cstddef>
#include <array>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::test {

using Bytes = std::vector<std::byte>;

inline Bytes bytesOf(std::string_view text) {
  Bytes b(text.size());
  if (!text.empty()) std::memcpy(b.data(), text.data(), text.size());
  return b;
}

/// A binary STL with the given triangles (9 floats each) and a header that may begin with "solid".
Bytes binarySTL(const std::vector<std::array<float, 9>>& triangles, std::string_view header = "binary");

/// A fresh, empty folder under the system's temporary folder, removed with the object.
class TempFolder {
public:
  TempFolder();
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }
  /// Writes `contents` to `relative` (creating folders) and returns the full path.
  std::filesystem::path write(const std::string& relative, std::string_view contents) const;

private:
  std::filesystem::path path_;
};

}  // namespace vantorel::test
