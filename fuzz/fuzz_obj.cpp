// Hostile bytes through the OBJ reader: it may refuse, never crash, hang or over-allocate.
#include "input/load_error.h"
#include "input/obj_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace {

void readChecked(std::span<const std::byte> bytes) {
  try {
    const auto model = vantorel::OBJReader::read(bytes, "fuzz");
    for (const auto& o : model.objects) {
      for (auto i : o.indices) {
        if (i >= o.positions.size()) __builtin_trap();  // the reader's invariant
      }
    }
  } catch (const vantorel::LoadError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  readChecked({reinterpret_cast<const std::byte*>(data), size});
  // Files of a few MiB are read in blocks on two threads; one input in sixty-four is also read
  // repeated past that size, so that hostile lines meet the block edges.
  if (size > 0 && size % 64 == 0) {
    std::vector<std::byte> tiled((std::size_t(2) << 20) + size * 7 / 3);
    for (std::size_t at = 0; at < tiled.size(); at += size) {
      std::memcpy(tiled.data() + at, data, std::min(size, tiled.size() - at));
    }
    readChecked(tiled);
  }
  return 0;
}
