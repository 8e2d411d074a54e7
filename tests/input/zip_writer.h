#pragma once
// Writes ZIP archives in memory for tests, fuzz seeds and benchmarks, including deliberately
// broken ones: every header field the reader trusts can be overridden.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::test {

struct ZipEntrySpec {
  std::string name;
  std::vector<std::byte> data = {};  ///< the unpacked contents
  bool deflate = true;               ///< false: stored

  // Overrides of what the central directory says (the packed bytes stay as written).
  std::optional<std::uint16_t> method = {};
  std::optional<std::uint64_t> size = {};
  std::optional<std::uint64_t> compressedSize = {};
  std::optional<std::uint64_t> localOffset = {};
  std::uint16_t flags = 0;
  bool zip64 = false;  ///< sizes and offset in a ZIP64 extra block (32-bit fields 0xFFFFFFFF)
};

struct ZipOptions {
  std::string comment = {};
  bool zip64End = false;  ///< ZIP64 end record and locator, with the 16/32-bit fields unset
  std::optional<std::uint64_t> zip64EndOffset = {};  ///< override of the locator's pointer
  std::optional<std::uint64_t> entryCount = {};    ///< override of the directory's entry count
  std::optional<std::uint32_t> directoryOffset = {};  ///< override of the end record's offset
};

/// A ZIP archive of `entries` in order (deflate at `level` 1–12 through libdeflate).
std::vector<std::byte> zipArchive(const std::vector<ZipEntrySpec>& entries, const ZipOptions& options = {},
                                  int level = 6);

}  // namespace vantorel::test
