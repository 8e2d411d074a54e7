#include "input/model_loader.h"

#include "input/load_error.h"
#include "base/localized.h"
#include "input/mapped_file.h"
#include "input/obj_reader.h"
#include "input/stl_reader.h"
#include "input/threemf_reader.h"
#include "base/utf8.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <memory>

namespace vantorel::ModelLoader {
namespace {

std::string lowerExtension(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  return asciiLower(ext);
}

// Sorts paths as a file browser of the user's locale does; falls back to plain byte order when no
// collator is available.
void sortLikeFileBrowser(std::vector<std::filesystem::path>& paths) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale::getDefault(), status));
  if (U_FAILURE(status) || !collator) {
    std::sort(paths.begin(), paths.end());
    return;
  }
  collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
  std::stable_sort(paths.begin(), paths.end(), [&](const auto& a, const auto& b) {
    UErrorCode s = U_ZERO_ERROR;
    const auto order = collator->compareUTF8(a.native(), b.native(), s);
    if (order != UCOL_EQUAL) return order == UCOL_LESS;
    return a.native() < b.native();  // a total order even where the collator sees no difference
  });
}

}  // namespace

const std::set<std::string, std::less<>>& extensions() {
  static const std::set<std::string, std::less<>> readable{"stl", "3mf", "obj"};
  return readable;
}

ThreeMFReader::Limits threeMFLimits() {
  ThreeMFReader::Limits limits;
  limits.triangles = 20'000'000;
  limits.vertices = 20'000'000;
  limits.placements = 100'000;
  limits.zip.modelEntry = std::int64_t(256) << 20;
  limits.zip.otherEntry = std::int64_t(16) << 20;
  limits.zip.total = std::int64_t(1) << 30;
  limits.zip.ratio = 200;
  limits.zip.ratioFloor = std::int64_t(1) << 20;
  return limits;
}

bool canOpen(const std::filesystem::path& file) { return extensions().contains(lowerExtension(file)); }

PrintModel load(const std::filesystem::path& file) {
  const std::string ext = lowerExtension(file);
  if (ext.empty()) throw LoadError::unsupported(localized("no extension"));
  if (!extensions().contains(ext)) throw LoadError::unsupported("." + ext);
  const MappedFile contents(file);
  // The STL reader brings its file in itself, on two threads; the others read theirs from the start.
  if (ext == "stl") return STLReader::read(contents, file.stem().string());
  prefault(contents.bytes());
  return load(contents.bytes(), ext, file.stem().string());
}

PrintModel load(std::span<const std::byte> bytes, std::string_view ext, std::string_view name) {
  const std::string lower = asciiLower(ext);
  if (lower == "stl") return STLReader::read(bytes, name);
  if (lower == "3mf") return ThreeMFReader::read(bytes, name, threeMFLimits());
  if (lower == "obj") return OBJReader::read(bytes, name);
  throw LoadError::unsupported("." + lower);
}

std::vector<std::filesystem::path> files(const std::filesystem::path& folder) {
  namespace fs = std::filesystem;
  std::vector<fs::path> found;
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  if (ec) return found;
  for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    const fs::path& path = it->path();
    const std::string name = path.filename().string();
    if (name.starts_with('.')) {  // hidden files, hidden folders and "._" shadow files
      if (it->is_directory(ec) && !it->is_symlink(ec)) it.disable_recursion_pending();
      continue;
    }
    if (!canOpen(path)) continue;
    if (it->is_regular_file(ec)) found.push_back(path);
  }
  sortLikeFileBrowser(found);
  return found;
}

}  // namespace vantorel::ModelLoader
