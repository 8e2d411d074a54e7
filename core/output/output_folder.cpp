#include "output/output_folder.h"

#include "base/utf8.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace vantorel {
namespace {

std::size_t nameLimit(const std::filesystem::path& folder) {
  const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
  return limit > 0 ? std::size_t(limit) : 255;  // 255: NAME_MAX of Linux file systems
}

std::string fitted(std::string_view base, std::string_view suffix, std::size_t limit) {
  if (base.size() + suffix.size() > limit) {
    std::size_t keep = limit > suffix.size() ? limit - suffix.size() : 0;
    while (keep > 0 && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80) --keep;  // not inside a character
    base = base.substr(0, keep);
    while (!base.empty() && (base.back() == ' ' || base.back() == '\t')) base.remove_suffix(1);
  }
  return std::string(base).append(suffix);
}

}  // namespace

std::string Batch::safeName(std::string_view name) {
  std::string safe(name);
  for (char& c : safe) {
    if (std::string_view("/:\\?%*|\"<>").find(c) != std::string_view::npos) c = '-';
  }
  safe = std::string(trim(safe, " \t"));
  return safe.empty() ? std::string("Model") : safe;
}

std::filesystem::path Exporter::fittedName(const std::filesystem::path& folder, std::string_view base,
                                           std::string_view suffix) {
  return folder / fitted(base, suffix, nameLimit(folder));
}

std::filesystem::path Exporter::newFolder(const std::filesystem::path& parent, std::string_view name) {
  const std::string base = Batch::safeName(name);
  const std::size_t limit = nameLimit(parent);
  for (int n = 1; n <= 9999; ++n) {
    const auto candidate = parent / fitted(base, n == 1 ? std::string() : " " + std::to_string(n), limit);
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
