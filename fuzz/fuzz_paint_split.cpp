// Any bytes as a painted triangle's split code: the decoder and its measure must agree, stay within
// the code's own length, and painting a one-triangle mesh with it must keep its buffers consistent.
#include "input/paint_split.h"
#include "input/threemf_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantorel;
  const std::string_view code(reinterpret_cast<const char*>(data), size);
  const std::array<Float3, 3> triangle{Float3{0, 0, 0}, Float3{64, 0, 0}, Float3{0, 64, 0}};
  std::vector<Float3> corners;
  std::vector<std::uint8_t> states;
  const bool ok = PaintSplit::split(code, triangle, corners, states);
  const auto measured = PaintSplit::measure(code);
  if (ok != measured.has_value()) __builtin_trap();
  if (!ok) {
    if (!corners.empty() || !states.empty()) __builtin_trap();
    return 0;
  }
  if (states.size() != measured->leaves || corners.size() != 3 * states.size() || states.size() > size) __builtin_trap();
  for (const std::uint8_t s : states) {
    if (s > PaintSplit::maxState) __builtin_trap();
  }

  ThreeMFReader::MeshData mesh;
  mesh.positions = {triangle[0], triangle[1], triangle[2]};
  mesh.indices = {0, 1, 2};
  mesh.painted.push_back({0, 0, std::uint32_t(size)});
  mesh.paintCodes.assign(code);
  MeshArray<Float3> positions = mesh.positions;
  MeshArray<std::uint32_t> indices = mesh.indices;
  std::vector<std::int32_t> colours{-1};
  const std::uint64_t unreadable = PaintSplit::paintMesh(mesh, 0, size % 2 == 1, positions, indices, colours,
                                                         [](int state) { return std::int32_t(state % 3) - 1; });
  if (unreadable != 0 || indices.size() != 3 * states.size() || colours.size() != states.size() ||
      positions.size() > 3 + measured->midpoints) {
    __builtin_trap();
  }
  for (const std::uint32_t i : indices) {
    if (i >= positions.size()) __builtin_trap();
  }
  return 0;
}
