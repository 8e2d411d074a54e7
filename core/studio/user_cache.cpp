#include "studio/user_cache.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vantorel::UserCache {
namespace fs = std::filesystem;

fs::path folder(const char* name) {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && *cache == '/') return fs::path(cache) / "vantorel" / name;
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return fs::path(home) / ".cache" / "vantorel" / name;
  return {};
}

void write(const fs::path& file, std::initializer_list<std::span<const std::byte>> pieces, std::size_t kept) {
  const fs::path where = file.parent_path();
  std::error_code error;
  fs::create_directories(where, error);
  if (error) return;
  std::string temporary = (where / ".part-XXXXXX").string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return;
  ::close(fd);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    for (const auto piece : pieces) out.write(reinterpret_cast<const char*>(piece.data()), std::streamsize(piece.size()));
    out.close();
    if (!out) {
      fs::remove(temporary, error);
      return;
    }
  }
  fs::rename(temporary, file, error);
  if (error) {
    fs::remove(temporary, error);
    return;
  }
  std::vector<std::pair<fs::file_time_type, fs::path>> files;
  for (const auto& entry : fs::directory_iterator(where, error))
    if (entry.is_regular_file(error) && entry.path().filename().string().front() != '.')
      files.emplace_back(entry.last_write_time(error), entry.path());
  if (files.size() <= kept) return;
  std::sort(files.begin(), files.end());
  for (std::size_t i = 0; i + kept * 3 / 4 < files.size(); ++i) fs::remove(files[i].second, error);
}

}  // namespace vantorel::UserCache
