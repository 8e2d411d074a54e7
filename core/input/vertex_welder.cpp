#include "input/vertex_welder.h"

#include "input/load_error.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantorel {
namespace {

constexpr std::uint64_t emptySlot = 0;

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

// The batch's corners are 16 bytes each (position, then a zero), so where SSE2 is at hand a corner
// is folded, checked and compared as one vector instead of coordinate by coordinate.

// Folds -0 into +0 in the triangle's corners and says whether all their coordinates are finite.
template <class Triangle>
inline bool foldFinite(Triangle& t) {
#if defined(__SSE2__)
  const __m128i exponent = _mm_set1_epi32(0x7F800000), magnitude = _mm_set1_epi32(0x7FFFFFFF);
  __m128i nonFinite = _mm_setzero_si128();
  for (auto& corner : t.corner) {
    auto* lanes = reinterpret_cast<__m128i*>(&corner);
    const __m128i v = _mm_load_si128(lanes);
    nonFinite = _mm_or_si128(nonFinite, _mm_cmpeq_epi32(_mm_and_si128(v, exponent), exponent));
    const __m128i zero = _mm_cmpeq_epi32(_mm_and_si128(v, magnitude), _mm_setzero_si128());
    _mm_store_si128(lanes, _mm_andnot_si128(zero, v));
  }
  return _mm_movemask_epi8(nonFinite) == 0;
#else
  for (auto& corner : t.corner) {
    if (!isFinite(corner.position)) return false;
  }
  for (auto& corner : t.corner) corner.position = foldZeros(corner.position);
  return true;
#endif
}

// Whether a recent-vertex entry holds the corner's position.
template <class Recent, class Corner>
inline bool holds(const Recent& r, const Corner& c) {
#if defined(__SSE2__)
  const __m128i same = _mm_cmpeq_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(&r)),
                                       _mm_load_si128(reinterpret_cast<const __m128i*>(&c)));
  return (_mm_movemask_epi8(same) & 0xFFF) == 0xFFF;  // the fourth lanes (index, zero) differ
#else
  return sameBits(r.position, c.position);
#endif
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

VertexWelder::VertexWelder(std::size_t expectedVertices, std::size_t expectedTriangles, std::size_t tableVertices)
    : recent_(recentSize), claimant_(recentSize) {
  forgetRecent();
  positions_.reserve(expectedVertices);
  indices_.reserve(expectedTriangles * 3);
  rehash(slotsFor(std::min(expectedVertices, tableVertices)));
}

void VertexWelder::rehash(std::size_t slotCount) {
  slots_ = {};
  slots_ = ZeroedArray<std::uint64_t>(slotCount);
  mask_ = slotCount - 1;
  for (std::uint32_t i = 0; i < positions_.size(); ++i) {
    const std::size_t hash = hashOf(positions_[i]);
    std::size_t s = hash & mask_;
    for (std::size_t step = 1; slots_[s] != emptySlot; ++step) s = (s + step) & mask_;
    slots_[s] = tagOf(hash) | (i + 1);
  }
}

std::size_t VertexWelder::probe(const Float3& p, std::size_t hash, std::uint32_t& found) const {
  std::size_t s = hash & mask_;
  const std::uint64_t tag = tagOf(hash);
  for (std::size_t step = 1;; ++step) {
    const std::uint64_t slot = slots_[s];
    found = std::uint32_t(slot) - 1;  // a slot holds the index plus one; empty reads as ~0u
    if (slot == emptySlot) return s;
    if ((slot & 0xFFFFFFFF00000000ull) == tag && sameBits(positions_[found], p)) return s;
    s = (s + step) & mask_;  // triangular probing visits every slot of a power-of-two table
  }
}

std::uint32_t VertexWelder::lookup(const Float3& p, std::size_t hash) {
  std::uint32_t found;
  const std::size_t s = probe(p, hash, found);
  if (found != ~0u) return found;

  // ~0u means "absent" to callers, so it is never an index.
  if (positions_.size() >= std::numeric_limits<std::uint32_t>::max()) {
    throw LoadError::malformed("an object has more than 4,294,967,295 vertices");
  }
  const auto index = static_cast<std::uint32_t>(positions_.size());
  positions_.push_back(p);
  if (positions_.size() * 2 > slots_.size()) {
    rehash(slots_.size() * 2);
  } else {
    slots_[s] = tagOf(hash) | (index + 1);
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
  if (!isFinite(a) || !isFinite(b) || !isFinite(c)) {
    ++nonFinite_;
    return false;
  }
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
  enum : std::uint8_t { dropped, answered, waiting };  // what the first pass made of a triangle
  std::uint8_t state[batchSize];
  for (std::size_t t = 0; t < pendingCount_; ++t) {
    Triangle& tri = pending_[t];
    if (!foldFinite(tri)) {
      state[t] = dropped;
      ++nonFinite_;
      continue;
    }
    bool waits = false;
#pragma GCC unroll 3
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t c = t * 3 + k;
      const Corner& corner = tri.corner[k];
      const std::size_t hash = hashes[c] = hashOf(corner.position);
      const std::size_t e = (hash >> 20) & (recentSize - 1);
      Recent& r = recent_[e];
      if (holds(r, corner)) {
        index[c] = r.index;
        from[c] = claimant_[e];  // read only when the entry was claimed
        waits |= r.index == claimed;
      } else {
        r = {corner.position, claimed};
        claimant_[e] = std::uint8_t(c);
        index[c] = claimed;
        from[c] = self;
        waits = true;
        __builtin_prefetch(&slots_[hash & mask_]);
      }
    }
    state[t] = waits ? waiting : answered;
  }
  const std::size_t count = pendingCount_;
  pendingCount_ = 0;
  std::uint32_t kept[batchSize * 3];
  std::size_t keptCount = 0;
  for (std::size_t t = 0; t < count; ++t) {
    if (state[t] == dropped) continue;
    // The three indices stay in registers: reading back what was just stored would wait on it.
    std::uint32_t* stored = index + t * 3;
    std::uint32_t corner[3] = {stored[0], stored[1], stored[2]};
    if (state[t] == waiting) {
#pragma GCC unroll 3
      for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t c = t * 3 + k;
        if (corner[k] != claimed) continue;
        if (from[c] != self) {
          corner[k] = index[from[c]];
          continue;
        }
        // A claim that a later one in the batch displaced may find the vertex in the cache now.
        const Corner& p = pending_[t].corner[k];
        Recent& r = recent_[(hashes[c] >> 20) & (recentSize - 1)];
        if (r.index != claimed && holds(r, p)) {
          corner[k] = r.index;
        } else {
          corner[k] = lookup(p.position, hashes[c]);
          r = {p.position, corner[k]};
        }
        stored[k] = corner[k];  // for the corners of this batch that wait on this one
      }
    }
    if (corner[0] == corner[1] || corner[1] == corner[2] || corner[0] == corner[2]) continue;
    kept[keptCount] = corner[0];
    kept[keptCount + 1] = corner[1];
    kept[keptCount + 2] = corner[2];
    keptCount += 3;
  }
  indices_.insert(indices_.end(), kept, kept + keptCount);
}

void VertexWelder::append(VertexWelder& later) {
  flush();
  if (stale_) refreshTable();
  later.flush();
  nonFinite_ += std::exchange(later.nonFinite_, 0);
  const MeshArray<Float3>& theirs = later.positions_;
  constexpr std::uint32_t absent = ~0u;
  std::vector<std::uint32_t> remap(theirs.size());
  // Finding their positions in this table only reads it, so two threads share that work; the
  // slots are prefetched a few positions ahead so that the cache misses overlap. Each part counts
  // the positions this welder lacks.
  std::size_t missing[2] = {0, 0};
  inTwoParts(theirs.size(), [&](std::size_t first, std::size_t last) {
    constexpr std::size_t ahead = 16;  // each hash is kept from its prefetch to its lookup
    std::size_t hashes[ahead];
    const auto prefetch = [&](std::size_t i) {
      hashes[i % ahead] = hashOf(theirs[i]);
      __builtin_prefetch(&slots_[hashes[i % ahead] & mask_]);
    };
    for (std::size_t i = first; i < std::min(first + ahead, last); ++i) prefetch(i);
    std::size_t count = 0;
    for (std::size_t i = first; i < last; ++i) {
      const std::size_t hash = hashes[i % ahead];
      if (i + ahead < last) prefetch(i + ahead);
      probe(theirs[i], hash, remap[i]);
      count += remap[i] == absent;
    }
    missing[first != 0] = count;
  });
  // Theirs are distinct and in their first-use order, so the new ones land in the order one
  // welder would have met them: the first part's, then the second's, each part on its thread.
  // The table learns them only if this welder is used again.
  const std::size_t base = positions_.size();
  if (base + missing[0] + missing[1] > std::numeric_limits<std::uint32_t>::max()) {
    throw LoadError::malformed("an object has more than 4,294,967,295 vertices");
  }
  positions_.resize(base + missing[0] + missing[1]);
  stale_ = stale_ || missing[0] + missing[1] > 0;
  inTwoParts(theirs.size(), [&](std::size_t first, std::size_t last) {
    auto next = std::uint32_t(base + (first != 0 ? missing[0] : 0));
    for (std::size_t i = first; i < last; ++i) {
      if (remap[i] != absent) continue;
      remap[i] = next;
      positions_[next++] = theirs[i];
    }
  });
  // Distinct positions stay distinct, so every triple they kept is kept here.
  const std::size_t start = indices_.size();
  indices_.resize(start + later.indices_.size());
  std::uint32_t* joined = indices_.data() + start;
  const std::uint32_t* theirIndices = later.indices_.data();
  inTwoParts(later.indices_.size(), [&](std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) joined[i] = remap[theirIndices[i]];
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
