#include "staging/render_mesh.h"

#include "base/vector_math.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace vantorel {
namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

// A normal component on the 1/512 grid of the weld key, halves rounded away from zero.
std::int32_t quantize(float component) { return std::int32_t(std::lround(512.0f * component)); }

// True when |v|² is a usable positive length; overflowing or NaN sums count as zero so that a
// corner falls back to a defined normal instead of carrying NaN into the weld key and the GPU.
bool hasLength(float lengthSquared) { return lengthSquared > 0 && std::isfinite(lengthSquared); }

}  // namespace

RenderMesh RenderMesh::build(const ModelObject& object, float creaseAngle) {
  const MeshArray<Float3>& P = object.positions;
  const MeshArray<std::uint32_t>& I = object.indices;
  const std::size_t vertexCount = P.size();
  const std::size_t triangleCount = I.size() / 3;

  // Readers guarantee every index is below the position count; a triangle breaking that is left
  // out rather than read out of bounds.
  std::vector<bool> drawn(triangleCount, true);
  bool allDrawn = true;
  for (std::size_t t = 0; t < triangleCount; ++t) {
    if (I[3 * t] >= vertexCount || I[3 * t + 1] >= vertexCount || I[3 * t + 2] >= vertexCount) {
      drawn[t] = false;
      allDrawn = false;
    }
  }

  // Raw normals (twice the area, so larger faces weigh more) and unit normals per face.
  std::vector<Float3> raw(triangleCount), unit(triangleCount);
  for (std::size_t t = 0; t < triangleCount; ++t) {
    if (!drawn[t]) continue;
    const Float3 a = P[I[3 * t]], b = P[I[3 * t + 1]], c = P[I[3 * t + 2]];
    raw[t] = cross(b - a, c - a);
    const float len2 = lengthSquared(raw[t]);
    if (hasLength(len2)) {
      const float len = std::sqrt(len2);
      unit[t] = {raw[t].x / len, raw[t].y / len, raw[t].z / len};
    }
  }

  // Vertex → triangles, each vertex's list in ascending triangle order (counting sort).
  std::vector<std::size_t> start(vertexCount + 1, 0);
  for (std::size_t t = 0; t < triangleCount; ++t) {
    if (!drawn[t]) continue;
    for (int k = 0; k < 3; ++k) ++start[I[3 * t + k] + 1];
  }
  for (std::size_t v = 0; v < vertexCount; ++v) start[v + 1] += start[v];
  std::vector<std::uint32_t> incident(start[vertexCount]);
  {
    std::vector<std::size_t> fill(start.begin(), start.end() - 1);
    for (std::size_t t = 0; t < triangleCount; ++t) {
      if (!drawn[t]) continue;
      for (int k = 0; k < 3; ++k) incident[fill[I[3 * t + k]]++] = std::uint32_t(t);
    }
  }

  const float tau = std::cos(creaseAngle * std::numbers::pi_v<float> / 180.0f);

  // The weld dictionary (vertex, quantized normal) → output index, kept as one chain of outputs
  // per input vertex: a key can only match outputs of its own vertex, and a vertex has at most
  // as many outputs as incident triangles, so the walk stays inside the squared-valence budget.
  std::vector<std::uint32_t> firstOutput(vertexCount, kNone);
  std::vector<std::uint32_t> nextOutput;
  std::vector<std::array<std::int32_t, 3>> outputKey;

  RenderMesh mesh;
  mesh.positions.reserve(vertexCount);
  mesh.normals.reserve(vertexCount);
  nextOutput.reserve(vertexCount);
  outputKey.reserve(vertexCount);
  std::vector<std::uint32_t> corners(3 * triangleCount, kNone);

  for (std::size_t t = 0; t < triangleCount; ++t) {
    if (!drawn[t]) continue;
    const Float3 ut = unit[t];
    const Float3 fallback = hasLength(lengthSquared(ut)) ? ut : Float3{0, 0, 1};
    for (int k = 0; k < 3; ++k) {
      const std::uint32_t v = I[3 * t + k];
      Float3 sum{};
      for (std::size_t i = start[v]; i < start[v + 1]; ++i) {
        const std::uint32_t u = incident[i];
        if (u == t || dot(ut, unit[u]) >= tau) sum += raw[u];
      }
      const float len2 = lengthSquared(sum);
      Float3 n = fallback;
      if (hasLength(len2)) {
        const float len = std::sqrt(len2);
        n = {sum.x / len, sum.y / len, sum.z / len};
      }
      const std::array<std::int32_t, 3> key{quantize(n.x), quantize(n.y), quantize(n.z)};

      std::uint32_t out = firstOutput[v];
      std::uint32_t last = kNone;
      while (out != kNone && outputKey[out] != key) {
        last = out;
        out = nextOutput[out];
      }
      if (out == kNone) {
        out = std::uint32_t(mesh.positions.size());
        mesh.positions.push_back(P[v]);
        mesh.normals.push_back(n);
        outputKey.push_back(key);
        nextOutput.push_back(kNone);
        (last == kNone ? firstOutput[v] : nextOutput[last]) = out;
      }
      corners[3 * t + k] = out;
    }
  }

  // Colour groups: resolve each triangle's key, then distribute by counting into sorted groups.
  const auto objectKey = std::int64_t(object.color.value_or(-1));
  if (!object.triangleColors) {
    Group group{objectKey, {}};
    if (allDrawn) {
      group.indices = std::move(corners);
    } else {
      group.indices.reserve(corners.size());
      for (std::uint32_t c : corners) {
        if (c != kNone) group.indices.push_back(c);
      }
    }
    mesh.groups.push_back(std::move(group));
    return mesh;
  }

  const std::vector<std::int32_t>& colors = *object.triangleColors;
  std::vector<std::int64_t> keys(triangleCount);
  for (std::size_t t = 0; t < triangleCount; ++t) {
    const std::int32_t entry = t < colors.size() ? colors[t] : -1;
    keys[t] = entry < 0 ? objectKey : entry;
  }
  std::vector<std::int64_t> distinct;
  for (std::size_t t = 0; t < triangleCount; ++t) {
    if (drawn[t]) distinct.push_back(keys[t]);
  }
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  if (distinct.empty()) distinct.push_back(objectKey);

  std::vector<std::uint32_t> groupOf(triangleCount, 0);
  std::vector<std::size_t> sizes(distinct.size(), 0);
  std::size_t previous = 0;  // colours come in runs; try the last group before searching
  for (std::size_t t = 0; t < triangleCount; ++t) {
    if (!drawn[t]) continue;
    if (distinct[previous] != keys[t]) {
      previous = std::size_t(std::lower_bound(distinct.begin(), distinct.end(), keys[t]) - distinct.begin());
    }
    groupOf[t] = std::uint32_t(previous);
    sizes[previous] += 3;
  }
  mesh.groups.resize(distinct.size());
  for (std::size_t g = 0; g < distinct.size(); ++g) {
    mesh.groups[g].color = distinct[g];
    mesh.groups[g].indices.reserve(sizes[g]);
  }
  for (std::size_t t = 0; t < triangleCount; ++t) {
    if (!drawn[t]) continue;
    auto& indices = mesh.groups[groupOf[t]].indices;
    indices.insert(indices.end(), corners.begin() + std::ptrdiff_t(3 * t), corners.begin() + std::ptrdiff_t(3 * t + 3));
  }
  return mesh;
}

}  // namespace vantorel
