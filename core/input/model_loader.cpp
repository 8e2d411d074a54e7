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
#include <clocale>
#include <memory>

namespace vantorel::ModelLoader {
namespace {

std::string lowerExtension(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  return asciiLower(ext);
}

// The locale whose collation the process asked for. Under C or POSIX (named so, or left so because
// the program never chose one) ICU would order by code point, capitals first; a file browser
// there still sorts like the language-neutral collation.
icu::Locale collationLocale() {
  const char* chosen = std::setlocale(LC_COLLATE, nullptr);
  std::string name = chosen ? chosen : "";
  name = name.substr(0, name.find_first_of(".@"));  // de_DE.UTF-8@euro: the language and region
  if (name.empty() || name == "C" || name == "POSIX") return icu::Locale::getRoot();
  icu::Locale locale = icu::Locale::createCanonical(name.c_str());
  return locale.isBogus() ? icu::Locale::getRoot() : locale;
}

// Sorts paths as a file browser of the user's locale does; falls back to plain byte order when no
// collator is available.
void sortLikeFileBrowser(std::vector<std::filesystem::path>& paths) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(collationLocale(), status));
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
  limits.triangles = triangleLimit;
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

PrintModel load(const std::filesystem::path& file) { return load(file, PlateChoice{}); }

PrintModel load(const std::filesystem::path& file, PlateChoice plates) {
  const std::string ext = lowerExtension(file);
  if (ext.empty()) throw LoadError::unsupported(localized("no extension"));
  if (!extensions().contains(ext)) throw LoadError::unsupported("." + ext);
  const MappedFile contents(file);
  // The STL reader brings its file in itself, on two threads; the others read theirs from the start.
  if (ext == "stl") {
    if (plates.kind == PlateChoice::Kind::one) throw LoadError::noPlate(plates.number, 0);
    return STLReader::read(contents, file.stem().string(), threeMFLimits().triangles);
  }
  prefault(contents.bytes());
  return load(contents.bytes(), ext, file.stem().string(), plates);
}

PrintModel load(std::span<const std::byte> bytes, std::string_view ext, std::string_view name, PlateChoice plates) {
  const std::string lower = asciiLower(ext);
  if (lower == "3mf") return ThreeMFReader::read(bytes, name, threeMFLimits(), plates);
  // Only slicer projects have plates.
  if (plates.kind == PlateChoice::Kind::one && extensions().contains(lower)) throw LoadError::noPlate(plates.number, 0);
  // One triangle limit for every format.
  const ThreeMFReader::Limits limits = threeMFLimits();
  if (lower == "stl") return STLReader::read(bytes, name, limits.triangles);
  if (lower == "obj") return OBJReader::read(bytes, name, limits.triangles);
  throw LoadError::unsupported("." + lower);
}

Listing listing(const std::filesystem::path& folder) {
  namespace fs = std::filesystem;
  Listing out;
  // Folder by folder rather than one recursive iterator, which ends the whole walk at the first
  // folder it can't open.
  std::vector<fs::path> pending{folder};
  while (!pending.empty()) {
    const fs::path current = std::move(pending.back());
    pending.pop_back();
    std::error_code ec;
    fs::directory_iterator it(current, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
      const fs::path& path = it->path();
      if (path.filename().string().starts_with('.')) continue;  // hidden files and folders, "._" shadow files
      std::error_code ignored;
      if (it->symlink_status(ignored).type() == fs::file_type::directory) {
        pending.push_back(path);
      } else if (canOpen(path) && it->is_regular_file(ignored)) {  // a link to a file counts as the file
        out.files.push_back(path);
      }
    }
    if (ec) ++out.skippedFolders;
  }
  sortLikeFileBrowser(out.files);
  return out;
}

std::vector<std::filesystem::path> files(const std::filesystem::path& folder) { return listing(folder).files; }

}  // namespace vantorel::ModelLoader
