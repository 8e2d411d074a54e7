// Hostile bytes through the STL reader: it may refuse, never crash, hang or over-allocate.
#include "input/load_error.h"
#include "input/stl_reader.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  try {
    const auto model = vantorel::STLReader::read(bytes, "fuzz");
    for (const auto& o : model.objects) {
      for (auto i : o.indices) {
        if (i >= o.positions.size()) __builtin_trap();  // the reader's invariant
      }
    }
  } catch (const vantorel::LoadError&) {
  }
  return 0;
}
