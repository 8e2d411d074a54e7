// Any bytes as a whole 3MF package, read with limits scaled down so a run stays fast.
#include "input/load_error.h"
#include "input/threemf_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantorel;
  ThreeMFReader::Limits limits;
  limits.triangles = 1'000'000;
  limits.vertices = 1'000'000;
  limits.placements = 10'000;
  limits.zip = {.modelEntry = 8 << 20, .otherEntry = 1 << 20, .total = 16 << 20, .ratio = 200, .ratioFloor = 1 << 16};
  try {
    const PrintModel model = ThreeMFReader::read({reinterpret_cast<const std::byte*>(data), size}, "fuzz", limits);
    // The model's invariants hold for whatever was read.
    if (model.objects.empty()) __builtin_trap();
    for (const auto& o : model.objects) {
      if (o.indices.size() % 3 != 0) __builtin_trap();
      for (const auto i : o.indices) {
        if (i >= o.positions.size()) __builtin_trap();
      }
      if (o.triangleColors && o.triangleColors->size() != o.indices.size() / 3) __builtin_trap();
      if (o.color && (*o.color < 0 || std::size_t(*o.color) >= model.palette.size())) __builtin_trap();
    }
  } catch (const LoadError&) {
  }
  return 0;
}
