#include "studio/detail_cache.h"

#include "studio/user_cache.h"

#include <meshoptimizer.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <span>

namespace vantorel::DetailCache {
namespace {

namespace fs = std::filesystem;

// Bumped whenever the simplification or the file changes, so old copies are never read; the
// simplifier's own version is part of every fingerprint too.
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

fs::path fileOf(const fs::path& where, std::uint64_t print, float errorMm) {
  std::uint32_t bits;
  std::memcpy(&bits, &errorMm, sizeof bits);
  char name[64];
  std::snprintf(name, sizeof name, "%016llx-%08x.copy", static_cast<unsigned long long>(print), unsigned(bits));
  return where / name;
}

}  // namespace

std::uint64_t fingerprint(const ModelObject& object) {
  std::uint64_t h = mix(mix(0x5654444300000000ull, kVersion), MESHOPTIMIZER_VERSION);
  h = mixBytes(h, object.positions.data(), object.positions.size());
  h = mixBytes(h, object.indices.data(), object.indices.size());
  h = mix(h, std::uint64_t(object.color.value_or(-1)));
  if (object.triangleColors) h = mixBytes(h, object.triangleColors->data(), object.triangleColors->size());
  return h;
}

std::optional<ModelObject> find(std::uint64_t print, float errorMm, const ModelObject& object) {
  const fs::path where = UserCache::folder("detail");
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
  const fs::path where = UserCache::folder("detail");
  if (where.empty()) return;
  const Header header{{kMagic[0], kMagic[1], kMagic[2], kMagic[3]}, kVersion, print, errorMm,
                      copy.triangleColors ? 1u : 0u, copy.positions.size(), copy.indices.size()};
  const std::span<const std::int32_t> colours = copy.triangleColors ? std::span<const std::int32_t>(*copy.triangleColors)
                                                                     : std::span<const std::int32_t>();
  UserCache::write(fileOf(where, print, errorMm),
                   {std::as_bytes(std::span(&header, 1)), std::as_bytes(std::span(copy.positions)),
                    std::as_bytes(std::span(copy.indices)), std::as_bytes(colours)},
                   kKept);
}

namespace {

// Bumped whenever the occlusion's bake changes (directions, maps, occluders, the floor's reach).
constexpr std::uint32_t kOcclusionVersion = 1;
constexpr char kOcclusionMagic[4] = {'V', 'T', 'O', 'C'};
constexpr std::size_t kOcclusionsKept = 512;

struct OcclusionHeader {
  char magic[4];
  std::uint32_t version;
  std::uint64_t key;
  std::uint64_t vertices;
};

fs::path occlusionFile(const fs::path& where, std::uint64_t key) {
  char name[40];
  std::snprintf(name, sizeof name, "%016llx.occlusion", static_cast<unsigned long long>(key));
  return where / name;
}

}  // namespace

std::uint64_t occlusionKey(std::string_view renderer, std::span<const std::uint64_t> objects, const Matrix4& placement,
                           const RenderMesh& mesh) {
  std::uint64_t h = mix(0x56544f4300000000ull, kOcclusionVersion);
  h = mixBytes(h, renderer.data(), renderer.size());
  h = mixBytes(h, objects.data(), objects.size());
  h = mixBytes(h, placement.m.data(), placement.m.size());
  h = mixBytes(h, mesh.positions.data(), mesh.positions.size());
  return mixBytes(h, mesh.normals.data(), mesh.normals.size());
}

std::optional<std::vector<std::uint8_t>> findOcclusion(std::uint64_t key, std::size_t vertices) {
  const fs::path where = UserCache::folder("occlusion");
  if (where.empty()) return std::nullopt;
  std::ifstream in(occlusionFile(where, key), std::ios::binary);
  OcclusionHeader header{};
  if (!in.read(reinterpret_cast<char*>(&header), sizeof header)) return std::nullopt;
  if (std::memcmp(header.magic, kOcclusionMagic, 4) != 0 || header.version != kOcclusionVersion || header.key != key ||
      header.vertices != vertices)
    return std::nullopt;
  std::vector<std::uint8_t> occlusion(vertices);
  in.read(reinterpret_cast<char*>(occlusion.data()), std::streamsize(vertices));
  if (!in || in.peek() != std::ifstream::traits_type::eof()) return std::nullopt;
  return occlusion;
}

void keepOcclusion(std::uint64_t key, std::span<const std::uint8_t> occlusion) {
  const fs::path where = UserCache::folder("occlusion");
  if (where.empty()) return;
  const OcclusionHeader header{{kOcclusionMagic[0], kOcclusionMagic[1], kOcclusionMagic[2], kOcclusionMagic[3]},
                               kOcclusionVersion, key, occlusion.size()};
  UserCache::write(occlusionFile(where, key), {std::as_bytes(std::span(&header, 1)), std::as_bytes(occlusion)},
                   kOcclusionsKept);
}

}  // namespace vantorel::DetailCache
