#include "output/output_folder.h"

#include "base/utf8.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

namespace vantorel {

std::string Batch::safeName(std::string_view name) {
  std::string safe(name);
  for (char& c : safe) {
    if (std::string_view("/:\\?%*|\"<>").find(c) != std::string_view::npos) c = '-';
  }
  safe = std::string(trim(safe, " \t"));
  return safe.empty() ? std::string("Model") : safe;
}

std::filesystem::path Exporter::newFolder(const std::filesystem::path& parent, std::string_view name) {
  const std::string base = Batch::safeName(name);
  for (int n = 1; n <= 9999; ++n) {
    const auto candidate = parent / (n == 1 ? base : base + " " + std::to_string(n));
    // mkdir, not create_directory: an existing plain file of that name must count as taken too.
    if (::mkdir(candidate.c_str(), 0777) == 0) return candidate;
    if (errno != EEXIST || n == 9999) {
      throw std::filesystem::filesystem_error("cannot create folder", candidate,
                                              std::error_code(errno, std::generic_category()));
    }
  }
  return {};  // not reached
}

void Exporter::removeIfEmpty(const std::filesystem::path& folder) noexcept {
  std::error_code ec;
  if (std::filesystem::is_empty(folder, ec) && !ec) std::filesystem::remove(folder, ec);
}

}  // namespace vantorel
