#include "input/vertex_welder.h"

#include "input/load_error.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

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

// Runs work(first, last) over [0, n), on two threads when n is large enough to repay one.
template <class Work>
void inTwoParts(std::size_t n, const Work& work) {
  constexpr std::size_t threadThreshold = 1u << 16;
  if (n < threadThreshold) {
    work(std::size_t(0), n);
    return;
  }
  std::thread helper([&] { work(n / 2, n); });
  work(std::size_t(0), n / 2);
  helper.join();
}

// Slots for n entries at a load of at most one half: probes stay short even for clustered keys.
std::size_t slotsFor(std::size_t n) { return std::bit_ceil(std::max<std::size_t>(n * 2, 64)); }

}  // namespace

VertexWelder::VertexWelder(std::size_t expectedVertices, std::size_t expectedTriangles)
    : recent_(recentSize), claimant_(recentSize) {
  forgetRecent();
  positions_.reserve(expectedVertices);
  indices_.reserve(expectedTriangles * 3);
  rehash(slotsFor(expectedVertices));
}

void VertexWelder::rehash(std::size_t slotCount) {
  slots_ = {};
  slots_.resize(slotCount, emptySlot);
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

void VertexWelder::forgetRecent() {
  // A NaN position never matches a corner (those triangles are dropped before the cache is asked).
  Recent empty;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  empty.position = {nan, nan, nan};
  empty.index = 0;
  std::fill(recent_.begin(), recent_.end(), empty);
}

void VertexWelder::refreshTable() {
  stale_ = false;
  rehash(slotsFor(positions_.size()));
}

std::uint32_t VertexWelder::indexOf(Float3 p) {
  flush();
  if (stale_) refreshTable();
  p = foldZeros(p);
  return lookup(p, hashOf(p));
}

bool VertexWelder::addTriangle(Float3 a, Float3 b, Float3 c) {
  flush();
  if (stale_) refreshTable();
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
  if (stale_) refreshTable();
  // First pass: answer what the recent-vertex cache knows. A corner it doesn't know claims its
  // cache entry for this batch, so that the same vertex named again within the batch (as meshes
  // do) waits for that one lookup; the large table's slot of each claim is prefetched, so that
  // those cache misses overlap instead of being paid one by one.
  constexpr std::uint8_t self = 0xFF;
  std::size_t hashes[batchSize * 3];
  std::uint32_t index[batchSize * 3];
  std::uint8_t from[batchSize * 3];  // the earlier corner of this batch that holds the answer
  bool finite[batchSize];
  for (std::size_t t = 0; t < pendingCount_; ++t) {
    Triangle& tri = pending_[t];
    finite[t] = isFinite(tri.corner[0]) && isFinite(tri.corner[1]) && isFinite(tri.corner[2]);
    if (!finite[t]) continue;
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t c = t * 3 + k;
      const Float3 p = tri.corner[k] = foldZeros(tri.corner[k]);
      const std::size_t hash = hashes[c] = hashOf(p);
      const std::size_t e = (hash >> 20) & (recentSize - 1);
      Recent& r = recent_[e];
      from[c] = self;
      if (sameBits(r.position, p)) {
        if (r.index != claimed) {
          index[c] = r.index;
        } else {
          index[c] = claimed;
          from[c] = claimant_[e];
        }
      } else {
        r = {p, claimed};
        claimant_[e] = std::uint8_t(c);
        index[c] = claimed;
        __builtin_prefetch(&slots_[hash & mask_]);
      }
    }
  }
  const std::size_t count = pendingCount_;
  pendingCount_ = 0;
  for (std::size_t t = 0; t < count; ++t) {
    if (!finite[t]) continue;
    std::uint32_t* corner = index + t * 3;
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t c = t * 3 + k;
      if (corner[k] != claimed) continue;
      if (from[c] != self) {
        corner[k] = index[from[c]];
        continue;
      }
      // A claim that a later one in the batch displaced may find the vertex in the cache now.
      const Float3& p = pending_[t].corner[k];
      Recent& r = recent_[(hashes[c] >> 20) & (recentSize - 1)];
      if (r.index != claimed && sameBits(r.position, p)) {
        corner[k] = r.index;
      } else {
        corner[k] = lookup(p, hashes[c]);
        r = {p, corner[k]};
      }
    }
    if (corner[0] == corner[1] || corner[1] == corner[2] || corner[0] == corner[2]) continue;
    indices_.push_back(corner[0]);
    indices_.push_back(corner[1]);
    indices_.push_back(corner[2]);
  }
}

std::uint32_t VertexWelder::find(const Float3& p, std::size_t hash) const {
  std::size_t s = hash & mask_;
  const std::uint64_t tag = tagOf(hash);
  for (std::size_t step = 1;; ++step) {
    const std::uint64_t slot = slots_[s];
    if (slot == emptySlot) return ~0u;
    const auto i = std::uint32_t(slot);
    if ((slot & 0xFFFFFFFF00000000ull) == tag && sameBits(positions_[i], p)) return i;
    s = (s + step) & mask_;
  }
}

void VertexWelder::append(VertexWelder& later) {
  flush();
  if (stale_) refreshTable();
  later.flush();
  const MeshArray<Float3>& theirs = later.positions_;
  constexpr std::uint32_t absent = ~0u;
  std::vector<std::uint32_t> remap(theirs.size());
  // Finding their positions in this table only reads it, so two threads share that work; the
  // slots are prefetched a few positions ahead so that the cache misses overlap.
  inTwoParts(theirs.size(), [&](std::size_t first, std::size_t last) {
    constexpr std::size_t ahead = 16;
    for (std::size_t i = first; i < std::min(first + ahead, last); ++i) __builtin_prefetch(&slots_[hashOf(theirs[i]) & mask_]);
    for (std::size_t i = first; i < last; ++i) {
      if (i + ahead < last) __builtin_prefetch(&slots_[hashOf(theirs[i + ahead]) & mask_]);
      remap[i] = find(theirs[i], hashOf(theirs[i]));
    }
  });
  // Theirs are distinct and in their first-use order, so the new ones land in the order one
  // welder would have met them. The table learns them only if this welder is used again.
  for (std::size_t i = 0; i < theirs.size(); ++i) {
    if (remap[i] != absent) continue;
    if (positions_.size() >= std::numeric_limits<std::uint32_t>::max()) {
      throw LoadError::malformed("an object has more than 4,294,967,295 vertices");
    }
    remap[i] = std::uint32_t(positions_.size());
    positions_.push_back(theirs[i]);
    stale_ = true;
  }
  // Distinct positions stay distinct, so every triple they kept is kept here.
  const std::size_t start = indices_.size();
  indices_.insert(indices_.end(), later.indices_.begin(), later.indices_.end());
  std::uint32_t* joined = indices_.data() + start;
  inTwoParts(later.indices_.size(), [&](std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) joined[i] = remap[joined[i]];
  });

  later.positions_ = {};
  later.indices_ = {};
  later.rehash(slotsFor(0));
  later.forgetRecent();
}

void VertexWelder::moveInto(ModelObject& object) {
  flush();
  object.positions = std::move(positions_);
  object.indices = std::move(indices_);
  positions_ = {};
  indices_ = {};
  stale_ = false;
  rehash(slotsFor(0));
  forgetRecent();
}

}  // namespace vantorel
