#include "test_bytes.h"

#include <fstream>
#include <random>

namespace vantorel::test {

Bytes binarySTL(const std::vector<std::array<float, 9>>& triangles, std::string_view header) {
  Bytes b(84 + 50 * triangles.size());
  std::memcpy(b.data(), header.data(), std::min<std::size_t>(header.size(), 80));
  const auto n = static_cast<std::uint32_t>(triangles.size());
  std::memcpy(b.data() + 80, &n, 4);
  for (std::size_t i = 0; i < triangles.size(); ++i) {
    std::memcpy(b.data() + 84 + 50 * i + 12, triangles[i].data(), 36);
  }
  return b;
}

TempFolder::TempFolder() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() / ("vantorel-test-" + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempFolder::write(const std::string& relative, std::string_view contents) const {
  const auto full = path_ / relative;
  std::filesystem::create_directories(full.parent_path());
  std::ofstream(full, std::ios::binary).write(contents.data(), std::streamsize(contents.size()));
  return full;
}

}  // namespace vantorel::test
