#include "input/paint_split.h"

#include "input/threemf_reader.h"

#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace vantorel::PaintSplit {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

Float3 midpoint(const Float3& a, const Float3& b) {
  // The same two corners give the same bits in either order, so neighbours' midpoints weld.
  return {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f, (a.z + b.z) * 0.5f};
}

using Corners = std::array<Float3, 3>;

// The children of a split of `sides` sides about special corner `s`; returns how many.
int children(const Corners& c, int sides, int s, Corners* out) {
  const Float3& v0 = c[std::size_t(s)];
  const Float3& v1 = c[std::size_t((s + 1) % 3)];
  const Float3& v2 = c[std::size_t((s + 2) % 3)];
  switch (sides) {
    case 1: {
      const Float3 m12 = midpoint(v1, v2);
      out[0] = {v0, v1, m12};
      out[1] = {m12, v2, v0};
      return 2;
    }
    case 2: {
      const Float3 m01 = midpoint(v0, v1), m20 = midpoint(v2, v0);
      out[0] = {v0, m01, m20};
      out[1] = {m01, v1, m20};
      out[2] = {v1, v2, m20};
      return 3;
    }
    default: {
      const Float3 m01 = midpoint(v0, v1), m12 = midpoint(v1, v2), m20 = midpoint(v2, v0);
      out[0] = {v0, m01, m20};
      out[1] = {m01, v1, m12};
      out[2] = {m12, v2, m20};
      out[3] = {m01, m12, m20};
      return 4;
    }
  }
}

struct NoGeometry {};

// Walks the nodes of `code` depth first from `root`, calling leaf(node, state) for each leaf, with
// an explicit stack: each level pops one node and pushes at most four, so it never holds more than
// 3 · maxDepth + 1.
template <class Node, class Leaf>
bool walk(std::string_view code, const Node& root, Leaf&& leaf, std::uint64_t* midpoints = nullptr) {
  struct Pending {
    Node node;
    int depth;
  };
  // Raw storage: zeroing a stack of corners for every painted triangle would cost more than its walk.
  alignas(Pending) std::byte storage[sizeof(Pending) * (3 * maxDepth + 1)];
  auto* stack = reinterpret_cast<Pending*>(storage);
  std::size_t top = 0, pos = code.size();
  new (&stack[top++]) Pending{root, 0};
  while (top > 0) {
    const Pending p = stack[--top];
    if (pos == 0) return false;
    const int digit = hexValue(code[--pos]);
    if (digit < 0) return false;
    const int sides = digit & 3, high = digit >> 2;
    if (sides == 0) {
      int state = high;
      if (state == 3) {
        if (pos == 0) return false;
        const int more = hexValue(code[--pos]);
        if (more < 0) return false;
        state += more;
      }
      leaf(p.node, state);
      continue;
    }
    if (p.depth == maxDepth || high == 3) return false;
    if (midpoints) *midpoints += std::uint64_t(sides);
    // Pushed first child first, so that the last child, which the code holds first, pops first.
    if constexpr (std::is_same_v<Node, Corners>) {
      Corners split[4];
      const int n = children(p.node, sides, high, split);
      for (int i = 0; i < n; ++i) new (&stack[top++]) Pending{split[i], p.depth + 1};
    } else {
      for (int i = 0; i <= sides; ++i) new (&stack[top++]) Pending{p.node, p.depth + 1};
    }
  }
  return pos == 0;
}

// New corners of one placed mesh, shared by exact position: an open-addressing table of indices
// into the object's positions, allocated once per mesh and grown by doubling.
class MidpointTable {
public:
  /// `expected` new corners are room enough before the first growth.
  MidpointTable(MeshArray<Float3>& positions, std::size_t expected) : positions_(positions) {
    std::size_t size = 1024;
    while (size < expected * 2 && size < (std::size_t(1) << 26)) size *= 2;
    slots_.assign(size, 0);
    mask_ = size - 1;
  }

  std::uint32_t indexOf(Float3 p) {
    // -0 and +0 are one position.
    p = {p.x + 0.0f, p.y + 0.0f, p.z + 0.0f};
    if ((count_ + 1) * 2 > slots_.size()) grow();
    std::size_t i = hash(p) & mask_;
    while (slots_[i] != 0) {
      const std::uint32_t index = slots_[i] - 1;
      if (std::memcmp(&positions_[index], &p, sizeof(Float3)) == 0) return index;
      i = (i + 1) & mask_;
    }
    const auto index = std::uint32_t(positions_.size());
    positions_.push_back(p);
    slots_[i] = index + 1;
    ++count_;
    return index;
  }

private:
  static std::size_t hash(const Float3& p) {
    std::uint32_t b[3];
    std::memcpy(b, &p, sizeof b);
    std::uint64_t h = (std::uint64_t(b[0]) * 0x9E3779B97F4A7C15ull) ^ (std::uint64_t(b[1]) * 0xC2B2AE3D27D4EB4Full) ^
                      (std::uint64_t(b[2]) * 0x165667B19E3779F9ull);
    return std::size_t(h ^ (h >> 29));
  }

  void grow() {
    const std::size_t size = slots_.size() * 2;
    std::vector<std::uint32_t> old(size, 0);
    old.swap(slots_);
    mask_ = size - 1;
    for (const std::uint32_t s : old) {
      if (s == 0) continue;
      std::size_t i = hash(positions_[s - 1]) & mask_;
      while (slots_[i] != 0) i = (i + 1) & mask_;
      slots_[i] = s;
    }
  }

  MeshArray<Float3>& positions_;
  std::vector<std::uint32_t> slots_;  // index + 1; 0 is empty
  std::size_t mask_ = 0, count_ = 0;
};

}  // namespace

std::optional<Size> measure(std::string_view code) {
  Size size;
  if (!walk(code, NoGeometry{}, [&](const NoGeometry&, int) { ++size.leaves; }, &size.midpoints)) return std::nullopt;
  return size;
}

bool split(std::string_view code, const std::array<Float3, 3>& corners, std::vector<Float3>& leafCorners,
           std::vector<std::uint8_t>& states) {
  const std::size_t cornersBefore = leafCorners.size(), statesBefore = states.size();
  const bool ok = walk(code, corners, [&](const Corners& c, int state) {
    leafCorners.insert(leafCorners.end(), c.begin(), c.end());
    states.push_back(std::uint8_t(state));
  });
  if (!ok) {
    leafCorners.resize(cornersBefore);
    states.resize(statesBefore);
  }
  return ok;
}

Size growth(const ThreeMFReader::MeshData& mesh) {
  Size extra;
  for (const ThreeMFReader::PaintedTriangle& p : mesh.painted) {
    if (const auto size = measure(std::string_view(mesh.paintCodes).substr(p.codeStart, p.codeSize))) {
      extra.leaves += size->leaves - 1;
      extra.midpoints += size->midpoints;
    }
  }
  return extra;
}

std::uint64_t paintMesh(const ThreeMFReader::MeshData& mesh, std::uint32_t base, bool mirrors,
                        MeshArray<Float3>& positions, MeshArray<std::uint32_t>& indices,
                        std::vector<std::int32_t>& colours, const std::function<std::int32_t(int)>& stateColour) {
  if (mesh.painted.empty()) return 0;
  const std::size_t triangles = mesh.indices.size() / 3, first = indices.size() / 3 - triangles;
  constexpr std::int32_t unasked = -2;
  std::array<std::int32_t, maxState + 1> stateColours;
  stateColours.fill(unasked);
  std::vector<Float3> leafCorners;
  std::vector<std::uint8_t> states;
  // A painted surface shares about one new corner per painted triangle.
  MidpointTable midpoints(positions, mesh.painted.size());
  std::uint64_t unreadable = 0;
  const std::string_view codes(mesh.paintCodes);
  for (const ThreeMFReader::PaintedTriangle& p : mesh.painted) {
    const std::array<std::uint32_t, 3> corner{base + mesh.indices[3 * std::size_t(p.triangle)],
                                              base + mesh.indices[3 * std::size_t(p.triangle) + 1],
                                              base + mesh.indices[3 * std::size_t(p.triangle) + 2]};
    const Corners at{positions[corner[0]], positions[corner[1]], positions[corner[2]]};
    leafCorners.clear();
    states.clear();
    if (!split(codes.substr(p.codeStart, p.codeSize), at, leafCorners, states)) {
      ++unreadable;
      continue;
    }
    const std::size_t slot = first + p.triangle;
    const std::int32_t own = colours[slot];
    for (std::size_t leaf = 0; leaf < states.size(); ++leaf) {
      std::uint32_t index[3];
      for (int k = 0; k < 3; ++k) {
        const Float3& q = leafCorners[3 * leaf + std::size_t(k)];
        int same = 0;
        while (same < 3 && std::memcmp(&q, &at[std::size_t(same)], sizeof(Float3)) != 0) ++same;
        index[k] = same < 3 ? corner[std::size_t(same)] : midpoints.indexOf(q);
      }
      if (mirrors) std::swap(index[1], index[2]);
      std::int32_t colour = own;
      if (const int state = states[leaf]; state > 0) {
        std::int32_t& known = stateColours[std::size_t(state)];
        if (known == unasked) known = stateColour(state);
        if (known >= 0) colour = known;
      }
      if (leaf == 0) {
        std::memcpy(&indices[3 * slot], index, sizeof index);
        colours[slot] = colour;
      } else {
        for (const std::uint32_t i : index) indices.push_back(i);
        colours.push_back(colour);
      }
    }
  }
  return unreadable;
}

}  // namespace vantorel::PaintSplit
