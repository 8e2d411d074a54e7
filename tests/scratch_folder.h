#pragma once
// A fresh folder for one test under the temporary directory, removed with everything in it.
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::test {

class ScratchFolder {
public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantorel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
    path_ = pattern;
  }
  ~ScratchFolder() { std::error_code ignored; std::filesystem::remove_all(path_, ignored); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& relative) const { return path_ / relative; }

  /// Writes `contents` to `relative` (creating folders on the way) and returns the full path.
  std::filesystem::path write(const std::filesystem::path& relative, std::string_view contents) const {
    const auto full = path_ / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << contents;
    return full;
  }

  /// Names of everything in the folder, sorted: shows leftovers such as temporary files.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) out.push_back(entry.path().filename().string());
    std::ranges::sort(out);
    return out;
  }

private:
  std::filesystem::path path_;
};

}  // namespace vantorel::test
