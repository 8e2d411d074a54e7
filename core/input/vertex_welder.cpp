#include "input/vertex_welder.h"

#include "input/load_error.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace vantorel {
namespace {

constexpr std::uint32_t emptySlot = ~0u;

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

// Slots for n entries at a load of at most one half: probes stay short even for clustered keys.
std::size_t slotsFor(std::size_t n) { return std::bit_ceil(std::max<std::size_t>(n * 2, 64)); }

}  // namespace

VertexWelder::VertexWelder(std::size_t expectedVertices, std::size_t expectedTriangles) {
  positions_.reserve(expectedVertices);
  indices_.reserve(expectedTriangles * 3);
  rehash(slotsFor(expectedVertices));
}

void VertexWelder::rehash(std::size_t slotCount) {
  slots_.assign(slotCount, emptySlot);
  mask_ = slotCount - 1;
  for (std::uint32_t i = 0; i < positions_.size(); ++i) {
    std::size_t s = hashOf(positions_[i]) & mask_;
    for (std::size_t step = 1; slots_[s] != emptySlot; ++step) s = (s + step) & mask_;
    slots_[s] = i;
  }
}

std::uint32_t VertexWelder::indexOf(Float3 p) {
  // -0 and +0 must weld: compare and hash bit patterns only after folding the sign of zero.
  if (p.x == 0.0f) p.x = 0.0f;
  if (p.y == 0.0f) p.y = 0.0f;
  if (p.z == 0.0f) p.z = 0.0f;

  std::size_t s = hashOf(p) & mask_;
  for (std::size_t step = 1;; ++step) {
    const std::uint32_t i = slots_[s];
    if (i == emptySlot) break;
    if (sameBits(positions_[i], p)) return i;
    s = (s + step) & mask_;  // triangular probing visits every slot of a power-of-two table
  }

  if (positions_.size() >= std::numeric_limits<std::uint32_t>::max()) {
    throw LoadError::malformed("an object has more than 4,294,967,295 vertices");
  }
  const auto index = static_cast<std::uint32_t>(positions_.size());
  positions_.push_back(p);
  if (positions_.size() * 2 > slots_.size()) {
    rehash(slots_.size() * 2);
  } else {
    slots_[s] = index;
  }
  return index;
}

bool VertexWelder::addTriangle(Float3 a, Float3 b, Float3 c) {
  if (!isFinite(a) || !isFinite(b) || !isFinite(c)) return false;
  const std::uint32_t ia = indexOf(a), ib = indexOf(b), ic = indexOf(c);
  if (ia == ib || ib == ic || ia == ic) return false;
  indices_.insert(indices_.end(), {ia, ib, ic});
  return true;
}

void VertexWelder::moveInto(ModelObject& object) {
  object.positions = std::move(positions_);
  object.indices = std::move(indices_);
  positions_ = {};
  indices_ = {};
  rehash(slotsFor(0));
}

}  // namespace vantorel
