#pragma once
// Slicer painting: a triangle's hexadecimal code of a recursive split into sub-triangles, each
// painted with a state (0 = the part's own extruder, n = extruder n).
//
// The code is read from its last digit to its first, one 4-bit node per digit, depth first. A
// node's low two bits give how many of its sides are split (0 = a leaf). A leaf's high two bits
// give its state, 3 meaning "3 plus the next digit". A split node's high two bits give its special
// corner s; with the corners taken in the order c[s], c[s+1], c[s+2] as v0, v1, v2 and mij the
// midpoint of vi and vj, its children are
//   1 side:  (v0 v1 m12) (m12 v2 v0)                      — the side opposite v0 is halved
//   2 sides: (v0 m01 m20) (m01 v1 m20) (v1 v2 m20)        — the sides meeting at v0 are halved
//   3 sides: (v0 m01 m20) (m01 v1 m12) (m12 v2 m20) (m01 m12 m20)
// and they follow their parent last child first.
#include "input/print_model.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace vantorel::ThreeMFReader {
struct MeshData;
}

namespace vantorel::PaintSplit {

/// Splits nest at most this deep. A slicer splits until its brush resolves the painting; sixteen
/// halvings take a 300 mm side below 5 µm, and a code that goes deeper is not read.
inline constexpr int maxDepth = 16;
/// The highest state a code can give: 3 plus a digit.
inline constexpr int maxState = 18;

/// What a readable code makes: its leaves and an upper bound on the new corners they need.
struct Size {
  std::uint64_t leaves = 0;
  std::uint64_t midpoints = 0;
};

/// The size of `code`, or nothing when it is unreadable: a digit that isn't hexadecimal, a code that
/// ends inside its tree or holds digits past it, a split deeper than maxDepth, a special corner of 3.
std::optional<Size> measure(std::string_view code);

/// Appends the leaves of `code` over the triangle `corners` to `leafCorners` (three corners each,
/// winding as the triangle does) and their states to `states`, in code order. Returns false, and
/// appends nothing, for a code measure refuses.
bool split(std::string_view code, const std::array<Float3, 3>& corners, std::vector<Float3>& leafCorners,
           std::vector<std::uint8_t>& states);

/// The extra triangles and the most extra vertices painting adds to one placement of `mesh`.
Size growth(const ThreeMFReader::MeshData& mesh);

/// Replaces the painted triangles of `mesh`, just appended to an object's buffers (its vertices from
/// `base`, its triangles the last ones of `indices`, corners 1 and 2 swapped when `mirrors`, one
/// colour each at the end of `colours`), by their leaves: each leaf takes over or follows its
/// triangle, new corners are shared wherever they are exactly equal, and a leaf of state 0 keeps the
/// triangle's colour while state n takes `stateColour(n)` (asked once per state; -1 keeps the
/// triangle's colour too). A triangle whose code is unreadable stays whole. Returns how many stayed.
std::uint64_t paintMesh(const ThreeMFReader::MeshData& mesh, std::uint32_t base, bool mirrors,
                        MeshArray<Float3>& positions, MeshArray<std::uint32_t>& indices,
                        std::vector<std::int32_t>& colours, const std::function<std::int32_t(int)>& stateColour);

}  // namespace vantorel::PaintSplit
