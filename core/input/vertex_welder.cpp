#include "input/vertex_welder.h"

#include "input/load_error.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace vantorel {
namespace {

constexpr std::uint64_t emptySlot = ~std::uint64_t(0);

inline std::uint64_t tagOf(std::size_t hash) { return std::uint64_t(hash) & 0xFFFFFFFF00000000ull; }

inline std::uint32_t bitsOf(float v) {
  std::uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

inline std::size_t hashOf(const Float3& p) {
  std::uint64_t h = std::uint64_t(bitsOf(p.x)) * 0x9E3779B97F4A7C15ull;
  h ^= std::uint64_t(bitsOf(p.y)) * 0xC2B2AE3D27D4EB4Full;
  h ^= std::uint64_t(bitsOf(p.z)) * 0x165667B19E3779F9ull;
  return std::size_t(h ^ (h >> 29));
}

inline bool sameBits(const Float3& a, const Float3& b) {
  return bitsOf(a.x) == bitsOf(b.x) && bitsOf(a.y) == bitsOf(b.y) && bitsOf(a.z) == bitsOf(b.z);
}

inline bool isFinite(const Float3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

inline Float3 foldZeros(Float3 p) {
  // -0 and +0 must weld: compare and hash bit patterns only after folding the sign of zero.
  if (p.x == 0.0f) p.x = 0.0f;
  if (p.y == 0.0f) p.y = 0.0f;
  if (p.z == 0.0f) p.z = 0.0f;
  return p;
}

// Slots for n entries at a load of at most one half: probes stay short even for clustered keys.
std::size_t slotsFor(std::size_t n) { return std::bit_ceil(std::max<std::size_t>(n * 2, 64)); }

}  // namespace

VertexWelder::VertexWelder(std::size_t expectedVertices, std::size_t expectedTriangles) : recent_(recentSize) {
  positions_.reserve(expectedVertices);
  indices_.reserve(expectedTriangles * 3);
  rehash(slotsFor(expectedVertices));
}

void VertexWelder::rehash(std::size_t slotCount) {
  slots_.assign(slotCount, emptySlot);
  mask_ = slotCount - 1;
  for (std::uint32_t i = 0; i < positions_.size(); ++i) {
    const std::size_t hash = hashOf(positions_[i]);
    std::size_t s = hash & mask_;
    for (std::size_t step = 1; slots_[s] != emptySlot; ++step) s = (s + step) & mask_;
    slots_[s] = tagOf(hash) | i;
  }
}

std::uint32_t VertexWelder::lookup(const Float3& p, std::size_t hash) {
  std::size_t s = hash & mask_;
  const std::uint64_t tag = tagOf(hash);
  for (std::size_t step = 1;; ++step) {
    const std::uint64_t slot = slots_[s];
    if (slot == emptySlot) break;
    const auto i = std::uint32_t(slot);
    if ((slot & 0xFFFFFFFF00000000ull) == tag && sameBits(positions_[i], p)) return i;
    s = (s + step) & mask_;  // triangular probing visits every slot of a power-of-two table
  }

  // Index ~0u with an all-ones tag would read as an empty slot; stop one short of it.
  if (positions_.size() >= std::numeric_limits<std::uint32_t>::max()) {
    throw LoadError::malformed("an object has more than 4,294,967,295 vertices");
  }
  const auto index = static_cast<std::uint32_t>(positions_.size());
  positions_.push_back(p);
  if (positions_.size() * 2 > slots_.size()) {
    rehash(slots_.size() * 2);
  } else {
    slots_[s] = tag | index;
  }
  return index;
}

std::uint32_t VertexWelder::indexOf(Float3 p) {
  flush();
  p = foldZeros(p);
  return lookup(p, hashOf(p));
}

bool VertexWelder::addTriangle(Float3 a, Float3 b, Float3 c) {
  flush();
  if (!isFinite(a) || !isFinite(b) || !isFinite(c)) return false;
  a = foldZeros(a), b = foldZeros(b), c = foldZeros(c);
  const std::uint32_t ia = lookup(a, hashOf(a)), ib = lookup(b, hashOf(b)), ic = lookup(c, hashOf(c));
  if (ia == ib || ib == ic || ia == ic) return false;
  indices_.push_back(ia);
  indices_.push_back(ib);
  indices_.push_back(ic);
  return true;
}

void VertexWelder::flush() {
  if (pendingCount_ == 0) return;
  // First pass: answer what the recent-vertex cache knows, and prefetch the large table's slot of
  // every other corner, so that those cache misses overlap instead of being paid one by one.
  constexpr std::uint32_t unresolved = ~0u;
  std::size_t hashes[batchSize * 3];
  std::uint32_t resolved[batchSize * 3];
  bool finite[batchSize];
  for (std::size_t t = 0; t < pendingCount_; ++t) {
    Triangle& tri = pending_[t];
    finite[t] = isFinite(tri.corner[0]) && isFinite(tri.corner[1]) && isFinite(tri.corner[2]);
    if (!finite[t]) continue;
    for (std::size_t k = 0; k < 3; ++k) {
      const Float3 p = tri.corner[k] = foldZeros(tri.corner[k]);
      const std::size_t hash = hashes[t * 3 + k] = hashOf(p);
      const Recent& r = recent_[(hash >> 20) & (recentSize - 1)];
      if (r.index != ~0u && sameBits(r.position, p)) {
        resolved[t * 3 + k] = r.index;
      } else {
        resolved[t * 3 + k] = unresolved;
        __builtin_prefetch(&slots_[hash & mask_]);
      }
    }
  }
  const std::size_t count = pendingCount_;
  pendingCount_ = 0;
  for (std::size_t t = 0; t < count; ++t) {
    if (!finite[t]) continue;
    std::uint32_t index[3];
    for (std::size_t k = 0; k < 3; ++k) {
      index[k] = resolved[t * 3 + k];
      if (index[k] == unresolved) {
        const Float3& p = pending_[t].corner[k];
        index[k] = lookup(p, hashes[t * 3 + k]);
        recent_[(hashes[t * 3 + k] >> 20) & (recentSize - 1)] = {p, index[k]};
      }
    }
    if (index[0] == index[1] || index[1] == index[2] || index[0] == index[2]) continue;
    indices_.push_back(index[0]);
    indices_.push_back(index[1]);
    indices_.push_back(index[2]);
  }
}

void VertexWelder::moveInto(ModelObject& object) {
  flush();
  object.positions = std::move(positions_);
  object.indices = std::move(indices_);
  positions_ = {};
  indices_ = {};
  rehash(slotsFor(0));
  std::fill(recent_.begin(), recent_.end(), Recent{});
}

}  // namespace vantorel
