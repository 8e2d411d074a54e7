#pragma once
// Merges exactly equal positions into one indexed mesh. Shared by the STL, OBJ and 3MF readers.
#include "input/print_model.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantorel {

/// One open-addressing table of indices into `positions`, keyed on the float bit patterns with -0
/// folded into +0; one lookup per vertex, no allocation per vertex.
class VertexWelder {
public:
  /// `expectedVertices` sizes `positions` and the table, `expectedTriangles` sizes `indices`, and
  /// `tableVertices`, where given, sizes the table instead (for a welder that will `append` another's
  /// vertices, which its table never holds). All are hints: the welder grows past them.
  explicit VertexWelder(std::size_t expectedVertices = 0, std::size_t expectedTriangles = 0,
                        std::size_t tableVertices = ~std::size_t(0));

  /// The index of an equal position seen before, or the new index of `p` appended to `positions`.
  /// Throws LoadError::malformed when an object would need more than 2^32 vertices.
  std::uint32_t indexOf(Float3 p);

  /// Welds a, b, c in that order and keeps the triple unless two indices are equal. A triangle with
  /// any NaN or infinite coordinate is ignored entirely. Returns whether the triple was kept.
  bool addTriangle(Float3 a, Float3 b, Float3 c);

  /// The same as addTriangle, but the work may be deferred (up to a small batch) so that the table
  /// lookups of many vertices overlap; the results are identical. Every other member flushes first.
  void queueTriangle(Float3 a, Float3 b, Float3 c) {
    Triangle& t = pending_[pendingCount_++];
    t.corner[0].position = a, t.corner[1].position = b, t.corner[2].position = c;
    if (pendingCount_ == batchSize) flush();
  }

  /// queueTriangle for nine packed little-endian floats: the corners as a binary STL record holds them.
  void queuePacked(const std::byte* corners) {
    Triangle& t = pending_[pendingCount_++];
#if defined(__SSE2__)
    // Three 16-byte reads that stay inside the 36 bytes: the third one starts 4 bytes early.
    const __m128i xyz = _mm_set_epi32(0, -1, -1, -1);
    const auto* in = reinterpret_cast<const __m128i*>(corners);
    _mm_store_si128(reinterpret_cast<__m128i*>(&t.corner[0]), _mm_and_si128(_mm_loadu_si128(in), xyz));
    _mm_store_si128(reinterpret_cast<__m128i*>(&t.corner[1]),
                    _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(corners + 12)), xyz));
    _mm_store_si128(reinterpret_cast<__m128i*>(&t.corner[2]),
                    _mm_srli_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(corners + 20)), 4));
#else
    for (int k = 0; k < 3; ++k) std::memcpy(&t.corner[k].position, corners + 12 * k, sizeof(Float3));
#endif
    if (pendingCount_ == batchSize) flush();
  }

  /// Queues the fan (p0, p1, p2), (p0, p2, p3) … of a polygon's corners; fewer than three give nothing.
  void queueFan(std::span<const Float3> corners) {
    for (std::size_t i = 1; i + 1 < corners.size(); ++i) queueTriangle(corners[0], corners[i], corners[i + 1]);
  }

  /// The triangles ignored for a NaN or infinite coordinate, over the welder's whole life: the
  /// count goes on across moveInto and takes in what `append` joins.
  std::size_t nonFiniteTriangles() {
    flush();
    return nonFinite_;
  }

  bool hasTriangles() {
    flush();
    return !indices_.empty();
  }
  const MeshArray<Float3>& positions() {
    flush();
    return positions_;
  }
  const MeshArray<std::uint32_t>& indices() {
    flush();
    return indices_;
  }

  /// Appends what `later` welded, as if its triangles had been added here after this welder's own:
  /// its positions weld with these, in its order, and its triples follow. Lets two threads weld the
  /// two halves of one mesh; `later` is left empty.
  void append(VertexWelder& later);

  /// Moves the mesh into `object` and leaves the welder empty, ready for the next object.
  void moveInto(ModelObject& object);

private:
  static constexpr std::size_t batchSize = 64;
  // A corner padded to 16 bytes with a zero, so that a batch is read as whole vectors.
  struct alignas(16) Corner {
    Float3 position;
    std::uint32_t zero = 0;
  };
  struct Triangle {
    Corner corner[3];
  };
  void flush();
  std::uint32_t lookup(const Float3& p, std::size_t hash);
  /// The slot where p is, or the empty slot where it would go; `found` is its index, or ~0u.
  std::size_t probe(const Float3& p, std::size_t hash, std::uint32_t& found) const;
  void refreshTable();
  void rehash(std::size_t slotCount);

  MeshArray<Float3> positions_;
  MeshArray<std::uint32_t> indices_;
  // Each slot holds an index plus one in its low half and the upper half of the key's hash in its
  // high half, so that probing past other keys rarely has to touch their positions. Zero marks an
  // empty slot, so a fresh table costs nothing until it is used.
  ZeroedArray<std::uint64_t> slots_;
  std::size_t mask_ = 0;
  Triangle pending_[batchSize];
  std::size_t pendingCount_ = 0;
  std::size_t nonFinite_ = 0;
  // After append, positions_ holds entries the table doesn't; it is rebuilt before the next lookup.
  bool stale_ = false;

  // Mesh files name a vertex again soon after its first use (about six times in all), so a small
  // direct-mapped cache of recent vertices, which stays in the processor's cache, answers most
  // lookups without touching the large table.
  // While a batch is being welded, an entry may be claimed (index `claimed`) by the corner named
  // in `claimant_`; the second pass replaces every claim with the real index.
  static constexpr std::uint32_t claimed = ~0u;
  struct alignas(16) Recent {
    Float3 position;
    std::uint32_t index;
  };
  static constexpr std::size_t recentSize = 4096;
  std::vector<Recent> recent_;
  std::vector<std::uint8_t> claimant_;
  void forgetRecent();
};

}  // namespace vantorel
