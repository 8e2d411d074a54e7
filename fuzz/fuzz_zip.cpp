// Any bytes as a ZIP archive: the directory is parsed and every entry unpacked, within limits
// small enough that a run stays fast.
#include "input/load_error.h"
#include "input/zip_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantorel;
  const ZipReader::Limits limits{.modelEntry = 8 << 20, .otherEntry = 1 << 20, .total = 16 << 20, .ratio = 200,
                                 .ratioFloor = 1 << 16};
  try {
    const ZipReader zip({reinterpret_cast<const std::byte*>(data), size}, limits);
    for (const auto& entry : zip.entries()) {
      try {
        const UnpackedBytes bytes = zip.read(entry.name);
        // Names that share a lookup key read the last of them.
        if (std::int64_t(bytes.bytes().size()) != zip.entry(entry.name)->size) __builtin_trap();
      } catch (const LoadError&) {
      }
    }
  } catch (const LoadError&) {
  }
  return 0;
}
