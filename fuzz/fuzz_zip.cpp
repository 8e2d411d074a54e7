// Any bytes as a ZIP archive: the directory is parsed and every entry unpacked, within limits
// small enough that a run stays fast, both whole and piece by piece (as large 3MF parts are);
// the two must give the same bytes or the same refusal.
#include "input/load_error.h"
#include "input/zip_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

using namespace vantorel;

// An entry's bytes, or the refusal (then `bytes` is what came before it).
struct Unpacked {
  std::string bytes;
  std::string refusal;
};

Unpacked whole(const ZipReader& zip, const std::string& name) {
  Unpacked u;
  try {
    const UnpackedBytes bytes = zip.read(name);
    u.bytes.assign(reinterpret_cast<const char*>(bytes.bytes().data()), bytes.bytes().size());
  } catch (const LoadError& e) {
    u.refusal = e.what();
  }
  return u;
}

Unpacked inPieces(const ZipReader& zip, const std::string& name) {
  Unpacked u;
  try {
    const auto in = zip.inflow(name);
    if (const auto all = in->whole()) {
      u.bytes.assign(reinterpret_cast<const char*>(all->data()), all->size());
      if (in->next().size != 0) __builtin_trap();  // a whole entry has no pieces
      return u;
    }
    EntryInflow::Piece before;
    std::size_t beforeAt = 0;
    for (;;) {
      const EntryInflow::Piece p = in->next();
      // The piece before must be untouched until this call; then the scanner may write the room.
      if (before.data && std::memcmp(before.data, u.bytes.data() + beforeAt, before.size) != 0) __builtin_trap();
      if (p.size == 0) break;
      if (p.size > EntryInflow::kPiece || p.room != EntryInflow::kRoom) __builtin_trap();
      std::memset(p.data - p.room, 0xA5, p.room);
      beforeAt = u.bytes.size();
      u.bytes.append(reinterpret_cast<const char*>(p.data), p.size);
      before = p;
    }
    if (u.bytes.size() != in->size()) __builtin_trap();
  } catch (const LoadError& e) {
    u.refusal = e.what();
  }
  return u;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ZipReader::Limits limits{.modelEntry = 8 << 20, .otherEntry = 1 << 20, .total = 16 << 20, .ratio = 200,
                                 .ratioFloor = 1 << 16};
  const std::span<const std::byte> archive(reinterpret_cast<const std::byte*>(data), size);
  try {
    // Two readers, since each unpacking spends from its reader's total: taking the entries in the
    // same order, both run out at the same entry.
    const ZipReader zip(archive, limits);
    const ZipReader streamed(archive, limits);
    for (const auto& entry : zip.entries()) {
      const Unpacked a = whole(zip, entry.name);
      // Names that share a lookup key read the last of them.
      if (a.refusal.empty() && std::int64_t(a.bytes.size()) != zip.entry(entry.name)->size) __builtin_trap();
      const Unpacked b = inPieces(streamed, entry.name);
      if (a.refusal != b.refusal || (a.refusal.empty() && a.bytes != b.bytes)) __builtin_trap();
    }
    if (zip.spent() != streamed.spent()) __builtin_trap();
  } catch (const LoadError&) {
  }
  return 0;
}
