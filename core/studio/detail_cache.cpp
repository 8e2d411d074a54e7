#include "studio/detail_cache.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace vantorel::DetailCache {
namespace {

namespace fs = std::filesystem;

// Bumped whenever the simplification or the file changes, so old copies are never read.
constexpr std::uint32_t kVersion = 1;
constexpr char kMagic[4] = {'V', 'T', 'D', 'C'};
constexpr std::size_t kKept = 256;

struct Header {
  char magic[4];
  std::uint32_t version;
  std::uint64_t print;
  float error;
  std::uint32_t coloured;
  std::uint64_t points, indices;
};

std::uint64_t mix(std::uint64_t h, std::uint64_t word) {
  h ^= word * 0x9E3779B97F4A7C15ull;
  h = (h << 31) | (h >> 33);
  return h * 0xC2B2AE3D27D4EB4Full;
}

template <class T>
std::uint64_t mixBytes(std::uint64_t h, const T* data, std::size_t count) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data);
  const std::size_t size = count * sizeof(T);
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    h = mix(h, word);
  }
  std::uint64_t tail = 0;
  std::memcpy(&tail, bytes + i, size - i);
  return mix(mix(h, tail), size);
}

fs::path folder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && *cache == '/') return fs::path(cache) / "vantorel" / "detail";
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return fs::path(home) / ".cache" / "vantorel" / "detail";
  return {};
}

fs::path fileOf(const fs::path& where, std::uint64_t print, float errorMm) {
  std::uint32_t bits;
  std::memcpy(&bits, &errorMm, sizeof bits);
  char name[64];
  std::snprintf(name, sizeof name, "%016llx-%08x.copy", static_cast<unsigned long long>(print), unsigned(bits));
  return where / name;
}

void prune(const fs::path& where) {
  std::error_code error;
  std::vector<std::pair<fs::file_time_type, fs::path>> files;
  for (const auto& entry : fs::directory_iterator(where, error)) {
    if (entry.path().extension() != ".copy") continue;
    files.emplace_back(entry.last_write_time(error), entry.path());
  }
  if (files.size() <= kKept) return;
  std::sort(files.begin(), files.end());
  for (std::size_t i = 0; i + kKept * 3 / 4 < files.size(); ++i) fs::remove(files[i].second, error);
}

}  // namespace

std::uint64_t fingerprint(const ModelObject& object) {
  std::uint64_t h = mix(0x5654444300000000ull, kVersion);
  h = mixBytes(h, object.positions.data(), object.positions.size());
  h = mixBytes(h, object.indices.data(), object.indices.size());
  h = mix(h, std::uint64_t(object.color.value_or(-1)));
  if (object.triangleColors) h = mixBytes(h, object.triangleColors->data(), object.triangleColors->size());
  return h;
}

std::optional<ModelObject> find(std::uint64_t print, float errorMm, const ModelObject& object) {
  const fs::path where = folder();
  if (where.empty()) return std::nullopt;
  std::ifstream in(fileOf(where, print, errorMm), std::ios::binary);
  Header header{};
  if (!in.read(reinterpret_cast<char*>(&header), sizeof header)) return std::nullopt;
  // A copy is never larger than its object and indexes only its own points.
  if (std::memcmp(header.magic, kMagic, 4) != 0 || header.version != kVersion || header.print != print ||
      header.error != errorMm || header.points > object.positions.size() || header.indices > object.indices.size() ||
      header.indices % 3 != 0 || header.coloured != (object.triangleColors ? 1u : 0u))
    return std::nullopt;
  ModelObject copy;
  copy.id = object.id;
  copy.name = object.name;
  copy.color = object.color;
  copy.positions.resize(header.points);
  copy.indices.resize(header.indices);
  in.read(reinterpret_cast<char*>(copy.positions.data()), std::streamsize(header.points * sizeof(Float3)));
  in.read(reinterpret_cast<char*>(copy.indices.data()), std::streamsize(header.indices * sizeof(std::uint32_t)));
  if (header.coloured) {
    copy.triangleColors.emplace(header.indices / 3);
    in.read(reinterpret_cast<char*>(copy.triangleColors->data()), std::streamsize(header.indices / 3 * sizeof(std::int32_t)));
  }
  if (!in || in.peek() != std::ifstream::traits_type::eof()) return std::nullopt;
  for (const std::uint32_t i : copy.indices)
    if (i >= header.points) return std::nullopt;
  return copy;
}

void keep(std::uint64_t print, float errorMm, const ModelObject& copy) {
  const fs::path where = folder();
  if (where.empty()) return;
  std::error_code error;
  fs::create_directories(where, error);
  if (error) return;
  std::string temporary = (where / ".copy-XXXXXX").string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return;
  ::close(fd);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    Header header{{kMagic[0], kMagic[1], kMagic[2], kMagic[3]}, kVersion, print, errorMm,
                  copy.triangleColors ? 1u : 0u, copy.positions.size(), copy.indices.size()};
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(copy.positions.data()), std::streamsize(copy.positions.size() * sizeof(Float3)));
    out.write(reinterpret_cast<const char*>(copy.indices.data()), std::streamsize(copy.indices.size() * sizeof(std::uint32_t)));
    if (copy.triangleColors)
      out.write(reinterpret_cast<const char*>(copy.triangleColors->data()),
                std::streamsize(copy.triangleColors->size() * sizeof(std::int32_t)));
    out.close();
    if (!out) {
      fs::remove(temporary, error);
      return;
    }
  }
  fs::rename(temporary, fileOf(where, print, errorMm), error);
  if (error) fs::remove(temporary, error);
  prune(where);
}

}  // namespace vantorel::DetailCache
