#include "studio/detail_levels.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <system_error>
#include <thread>
#include <utility>

namespace vantorel::Detail {
namespace {

std::int64_t keyOf(const ModelObject& object, std::size_t triangle) {
  const std::int64_t own = object.color.value_or(-1);
  if (!object.triangleColors || triangle >= object.triangleColors->size()) return own;
  const std::int32_t entry = (*object.triangleColors)[triangle];
  return entry < 0 ? own : entry;
}

// Simplifies `count` indices of `list` into `out` (room for `count`), returning how many it kept.
// A long list is cut in two halves of space, each simplified on its own core with the cut locked,
// as one simplification of half a million triangles takes a third of a second; the cut keeps its
// fine triangles, a thin seam against the rest.
std::size_t simplifyList(const ModelObject& object, const std::uint32_t* list, std::size_t count, float relative,
                         unsigned options, std::uint32_t* out) {
  const auto simplify = [&](const std::uint32_t* in, std::size_t n, std::uint32_t* to, unsigned flags) {
    return meshopt_simplify(to, in, n, &object.positions[0].x, object.positions.size(), sizeof(Float3), 0, relative,
                            flags, nullptr);
  };
  constexpr std::size_t kSplitTriangles = 150'000;
  if (count / 3 < kSplitTriangles || std::thread::hardware_concurrency() < 2) return simplify(list, count, out, options);
  const Float3* p = object.positions.data();
  Float3 low = p[list[0]], high = low;
  for (std::size_t i = 0; i < count; ++i) low = componentMin(low, p[list[i]]), high = componentMax(high, p[list[i]]);
  const Float3 size = high - low;
  const int axis = size.x >= size.y && size.x >= size.z ? 0 : size.y >= size.z ? 1 : 2;
  const auto along = [&](std::uint32_t v) { return axis == 0 ? p[v].x : axis == 1 ? p[v].y : p[v].z; };
  std::vector<std::pair<float, std::uint32_t>> order(count / 3);
  for (std::size_t t = 0; t < order.size(); ++t)
    order[t] = {along(list[3 * t]) + along(list[3 * t + 1]) + along(list[3 * t + 2]), std::uint32_t(t)};
  std::nth_element(order.begin(), order.begin() + std::ptrdiff_t(order.size() / 2), order.end());
  std::vector<std::uint32_t> halves(order.size() * 3);
  for (std::size_t i = 0; i < order.size(); ++i)
    std::copy_n(list + 3 * std::size_t(order[i].second), 3, halves.begin() + std::ptrdiff_t(3 * i));
  const std::size_t first = 3 * (order.size() / 2);
  std::size_t kept = 0;
  std::thread other;
  try {
    other = std::thread([&] { kept = simplify(halves.data(), first, out, options | meshopt_SimplifyLockBorder); });
  } catch (const std::system_error&) {
    return simplify(list, count, out, options);  // no thread to be had
  }
  std::vector<std::uint32_t> second(halves.size() - first);
  const std::size_t more = simplify(halves.data() + first, second.size(), second.data(), options | meshopt_SimplifyLockBorder);
  other.join();
  std::copy_n(second.begin(), more, out + kept);
  return kept + more;
}

}  // namespace

int levelFor(float pixelMm) {
  const float wanted = kSurfaceErrorPixels * pixelMm;
  if (!(wanted > 0) || !std::isfinite(wanted)) return std::numeric_limits<int>::min() / 2;
  return int(std::floor(2 * std::log2(wanted)));
}

float levelError(int level) { return std::exp2(0.5f * float(level)); }

std::vector<std::int64_t> colourKeys(const ModelObject& object) {
  std::vector<std::int64_t> keys;
  if (object.triangleColors) {
    std::int64_t last = std::numeric_limits<std::int64_t>::min();
    for (std::size_t t = 0; t < object.triangleCount(); ++t) {
      const std::int64_t key = keyOf(object, t);
      if (key != last) keys.push_back(last = key);  // colours come in runs
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  }
  if (keys.empty()) keys.push_back(object.color.value_or(-1));
  return keys;
}

std::optional<ModelObject> simplified(const ModelObject& object, float errorMm) {
  const std::size_t triangles = object.triangleCount();
  if (triangles <= kDenseTriangles || object.positions.empty() || !(errorMm > 0)) return std::nullopt;
  const float extent = meshopt_simplifyScale(&object.positions[0].x, object.positions.size(), sizeof(Float3));
  if (!(extent > 0) || !std::isfinite(extent)) return std::nullopt;
  const float relative = errorMm / extent;

  // One index list per colour, each simplified on its own; one colour needs no locked border.
  const std::vector<std::int64_t> keys = colourKeys(object);
  std::vector<std::uint32_t> source, kept, colours;
  kept.reserve(object.indices.size() / 4);
  const std::size_t usable = triangles * 3;
  for (const std::int64_t key : keys) {
    const std::uint32_t* list = object.indices.data();
    std::size_t count = usable;
    if (keys.size() > 1) {
      source.clear();
      for (std::size_t t = 0; t < triangles; ++t)
        if (keyOf(object, t) == key) source.insert(source.end(), list + 3 * t, list + 3 * t + 3);
      list = source.data();
      count = source.size();
    }
    if (count == 0) continue;
    const std::size_t before = kept.size();
    kept.resize(before + count);
    const unsigned options = keys.size() > 1 ? meshopt_SimplifyLockBorder : 0;
    const std::size_t made = simplifyList(object, list, count, relative, options, kept.data() + before);
    kept.resize(before + made - made % 3);
    if (object.triangleColors) colours.resize(kept.size() / 3, std::uint32_t(key));
  }
  if (kept.size() / 3 > triangles * 3 / 4) return std::nullopt;

  // The copy keeps only its own points, in the order it uses them, so it uploads and builds small.
  ModelObject copy;
  copy.id = object.id;
  copy.name = object.name;
  copy.color = object.color;
  std::vector<std::uint32_t> remap(object.positions.size(), ~0u);
  copy.indices.resize(kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i) {
    std::uint32_t& slot = remap[kept[i]];
    if (slot == ~0u) {
      slot = std::uint32_t(copy.positions.size());
      copy.positions.push_back(object.positions[kept[i]]);
    }
    copy.indices[i] = slot;
  }
  if (object.triangleColors) copy.triangleColors = std::vector<std::int32_t>(colours.begin(), colours.end());
  return copy;
}

}  // namespace vantorel::Detail
