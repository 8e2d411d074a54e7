#include "studio/closed_mesh.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vantorel {

HiddenSide hiddenSide(const ModelObject& object) {
  const std::size_t triangles = object.indices.size() / 3;
  if (triangles < 4) return HiddenSide::none;
  std::vector<std::uint64_t> edges;
  edges.reserve(triangles * 3);
  double volume = 0;
  for (std::size_t t = 0; t < triangles; ++t) {
    const std::uint32_t v[3] = {object.indices[3 * t], object.indices[3 * t + 1], object.indices[3 * t + 2]};
    if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) return HiddenSide::none;
    if (v[0] >= object.positions.size() || v[1] >= object.positions.size() || v[2] >= object.positions.size())
      return HiddenSide::none;
    for (int k = 0; k < 3; ++k) edges.push_back(std::uint64_t(v[k]) << 32 | v[(k + 1) % 3]);
    const Float3 &a = object.positions[v[0]], &b = object.positions[v[1]], &c = object.positions[v[2]];
    volume += double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) - double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
              double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
  }
  std::sort(edges.begin(), edges.end());
  if (std::adjacent_find(edges.begin(), edges.end()) != edges.end()) return HiddenSide::none;
  for (const std::uint64_t e : edges) {
    const std::uint64_t reverse = e << 32 | e >> 32;
    if (!std::binary_search(edges.begin(), edges.end(), reverse)) return HiddenSide::none;
  }
  if (volume > 0) return HiddenSide::back;
  if (volume < 0) return HiddenSide::front;
  return HiddenSide::none;
}

}  // namespace vantorel
