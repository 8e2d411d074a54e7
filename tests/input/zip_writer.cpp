#include "zip_writer.h"

#include <libdeflate.h>

#include <memory>
#include <stdexcept>

namespace vantorel::test {
namespace {

// Little-endian fields of 2, 4 or 8 bytes, and names.
template <int bytes>
void put(std::vector<std::byte>& out, std::uint64_t v) {
  for (int i = 0; i < bytes; ++i) out.push_back(std::byte(v >> 8 * i & 0xFF));
}
constexpr auto put16 = put<2>, put32 = put<4>, put64 = put<8>;
void putText(std::vector<std::byte>& out, std::string_view s) {
  for (const char c : s) out.push_back(std::byte(c));
}

std::vector<std::byte> deflated(const std::vector<std::byte>& data, int level) {
  std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> c(libdeflate_alloc_compressor(level),
                                                                             libdeflate_free_compressor);
  if (!c) throw std::bad_alloc();
  std::vector<std::byte> out(libdeflate_deflate_compress_bound(c.get(), data.size()));
  const std::size_t n = libdeflate_deflate_compress(c.get(), data.data(), data.size(), out.data(), out.size());
  if (n == 0) throw std::runtime_error("deflate failed");
  out.resize(n);
  return out;
}

}  // namespace

std::vector<std::byte> zipArchive(const std::vector<ZipEntrySpec>& entries, const ZipOptions& options, int level) {
  std::vector<std::byte> out;
  std::vector<std::byte> directory;
  for (const ZipEntrySpec& e : entries) {
    const std::uint64_t offset = out.size();
    const std::vector<std::byte> packed = e.deflate ? deflated(e.data, level) : e.data;
    const std::uint16_t method = e.method.value_or(e.deflate ? 8 : 0);
    const std::uint64_t size = e.size.value_or(e.data.size());
    const std::uint64_t compressed = e.compressedSize.value_or(packed.size());
    const std::uint64_t local = e.localOffset.value_or(offset);
    const std::uint32_t crc = libdeflate_crc32(0, e.data.data(), e.data.size());

    // The fields the local header and the directory share, from the flags to the name's length.
    const auto shared = [&](std::vector<std::byte>& to) {
      put16(to, e.flags);
      put16(to, method);
      put32(to, 0);  // time, date
      put32(to, crc);
      put32(to, e.zip64 ? 0xFFFFFFFF : compressed);
      put32(to, e.zip64 ? 0xFFFFFFFF : size);
      put16(to, e.name.size());
    };
    put32(out, 0x04034b50);
    put16(out, 20);
    shared(out);
    put16(out, 0);
    putText(out, e.name);
    out.insert(out.end(), packed.begin(), packed.end());

    put32(directory, 0x02014b50);
    put16(directory, 45);
    put16(directory, 20);
    shared(directory);
    put16(directory, e.zip64 ? 4 + 24 : 0);
    put32(directory, 0);  // comment, disk
    put16(directory, 0);  // internal attributes
    put32(directory, 0);  // external attributes
    put32(directory, e.zip64 ? 0xFFFFFFFF : local);
    putText(directory, e.name);
    if (e.zip64) {
      put16(directory, 0x0001);
      put16(directory, 24);
      put64(directory, size);
      put64(directory, compressed);
      put64(directory, local);
    }
  }

  const std::uint64_t directoryOffset = out.size();
  out.insert(out.end(), directory.begin(), directory.end());
  const std::uint64_t count = options.entryCount.value_or(entries.size());
  if (options.zip64End) {
    const std::uint64_t zip64End = out.size();
    put32(out, 0x06064b50);
    put64(out, 44);
    put16(out, 45);
    put16(out, 45);
    put32(out, 0);
    put32(out, 0);
    put64(out, count);
    put64(out, count);
    put64(out, directory.size());
    put64(out, directoryOffset);
    put32(out, 0x07064b50);
    put32(out, 0);
    put64(out, options.zip64EndOffset.value_or(zip64End));
    put32(out, 1);
  }
  put32(out, 0x06054b50);
  put16(out, 0);
  put16(out, 0);
  put16(out, options.zip64End ? 0xFFFF : count);
  put16(out, options.zip64End ? 0xFFFF : count);
  put32(out, directory.size());
  put32(out, options.zip64End ? 0xFFFFFFFF : options.directoryOffset.value_or(std::uint32_t(directoryOffset)));
  put16(out, options.comment.size());
  putText(out, options.comment);
  return out;
}

}  // namespace vantorel::test
