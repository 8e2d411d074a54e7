#include "input/zip_reader.h"

#include "input/load_error.h"
#include "base/utf8.h"

#include <libdeflate.h>
#include <sys/mman.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <thread>

namespace vantorel {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kMaxComment = 65535;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr std::uint32_t kUnset32 = 0xFFFFFFFF;

// Buffers at least this large come from mmap, populated by the kernel in one go: faulting in a
// hundred megabytes page by page costs far more than inflating into them.
constexpr std::size_t kMappedBufferMin = std::size_t(4) << 20;

// Little-endian reads; callers have checked that the bytes are there.
std::uint16_t u16(const std::byte* p) {
  return std::uint16_t(std::to_integer<unsigned>(p[0]) | std::to_integer<unsigned>(p[1]) << 8);
}
std::uint32_t u32(const std::byte* p) { return std::uint32_t(u16(p)) | std::uint32_t(u16(p + 2)) << 16; }
std::uint64_t u64(const std::byte* p) { return std::uint64_t(u32(p)) | std::uint64_t(u32(p + 4)) << 32; }

[[noreturn]] void fail(std::string phrase) { throw LoadError::malformed(std::move(phrase)); }

// A 64-bit ZIP64 value as a signed size or offset; values past the signed range are refused.
std::int64_t signedValue(std::uint64_t v) {
  if (v > std::uint64_t(std::numeric_limits<std::int64_t>::max())) fail("a ZIP64 size or offset is out of range");
  return std::int64_t(v);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decoding that fails on a malformed escape or on bytes that are not UTF-8.
std::optional<std::string> percentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (text.size() - i < 3) return std::nullopt;
    const int hi = hexDigit(text[i + 1]), lo = hexDigit(text[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(char(hi * 16 + lo));
    i += 2;
  }
  if (decodeUTF8Lossy(out) != out) return std::nullopt;
  return out;
}

bool endsWithModel(std::string_view name) {
  constexpr std::string_view suffix = ".model";
  if (name.size() < suffix.size()) return false;
  return asciiLower(name.substr(name.size() - suffix.size())) == suffix;
}

}  // namespace

void UnpackedRelease::operator()(std::byte* p) const noexcept {
  if (size >= kMappedBufferMin) munmap(p, size);
  else delete[] p;
}

UnpackedBytes UnpackedBytes::borrowed(std::span<const std::byte> slice) {
  UnpackedBytes b;
  b.data_ = slice.data();
  b.size_ = slice.size();
  return b;
}

UnpackedBytes UnpackedBytes::allocate(std::size_t size) {
  UnpackedBytes b;
  std::byte* p = nullptr;
  if (size >= kMappedBufferMin) {
    void* m = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (m == MAP_FAILED) throw std::bad_alloc();
    p = static_cast<std::byte*>(m);
  } else {
    p = new std::byte[size == 0 ? 1 : size];
  }
  b.owned_ = std::unique_ptr<std::byte[], UnpackedRelease>(p, UnpackedRelease{size});
  b.data_ = p;
  b.size_ = size;
  return b;
}

std::string ZipReader::lookupKey(std::string_view name) {
  const auto decoded = percentDecoded(name);
  std::string_view key = decoded ? std::string_view(*decoded) : name;
  while (key.starts_with('/')) key.remove_prefix(1);
  return asciiLower(key);
}

ZipReader::ZipReader(std::span<const std::byte> archive, Limits limits) : data_(archive), limits_(limits) {
  parseDirectory();
  byKey_.reserve(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) byKey_[lookupKey(entries_[i].name)] = i;
}

void ZipReader::parseDirectory() {
  const std::size_t size = data_.size();
  const std::byte* d = data_.data();
  if (size < kEndSize) fail("it isn't a ZIP archive (too short)");

  // The end record sits in the last 22 + 65,535 bytes (its comment may fill the rest).
  std::size_t end = size - kEndSize;
  const std::size_t lowest = size > kEndSize + kMaxComment ? size - kEndSize - kMaxComment : 0;
  while (u32(d + end) != kEndSignature) {
    if (end == lowest) fail("it isn't a ZIP archive (no directory)");
    --end;
  }

  std::uint64_t count = u16(d + end + 10);
  std::uint64_t offset = u32(d + end + 16);
  if ((count == 0xFFFF || offset == kUnset32) && end >= kZip64LocatorSize &&
      u32(d + end - kZip64LocatorSize) == kZip64LocatorSignature) {
    const std::int64_t zip64End = signedValue(u64(d + end - kZip64LocatorSize + 8));
    if (std::uint64_t(zip64End) > size || size - std::uint64_t(zip64End) < kZip64EndSize ||
        u32(d + zip64End) != kZip64EndSignature) {
      fail("the ZIP64 directory is missing");
    }
    count = std::uint64_t(signedValue(u64(d + zip64End + 32)));
    offset = std::uint64_t(signedValue(u64(d + zip64End + 48)));
  }
  // Each header needs at least 46 bytes, so a larger count cannot be real.
  if (count > size / kCentralSize || offset > size) fail("the ZIP directory is damaged");

  entries_.reserve(std::size_t(count));
  std::size_t pos = std::size_t(offset);
  for (std::uint64_t i = 0; i < count; ++i) {
    if (size - pos < kCentralSize || u32(d + pos) != kCentralSignature) fail("the ZIP directory is damaged");
    const std::byte* h = d + pos;
    const std::size_t nameLength = u16(h + 28), extraLength = u16(h + 30), commentLength = u16(h + 32);
    if (size - pos - kCentralSize < nameLength + extraLength) fail("the ZIP directory is damaged");

    Entry e;
    const std::uint16_t flags = u16(h + 8);
    e.method = u16(h + 10);
    std::uint64_t compressed = u32(h + 20), uncompressed = u32(h + 24), local = u32(h + 42);
    const std::byte* name = h + kCentralSize;
    e.name = decodeUTF8Lossy({reinterpret_cast<const char*>(name), nameLength});

    // ZIP64 extended information: 64-bit values only for the fields whose 32-bit value is unset.
    const std::byte* extra = name + nameLength;
    std::size_t x = 0;
    while (extraLength - x >= 4) {
      const std::uint16_t id = u16(extra + x), length = u16(extra + x + 2);
      const std::size_t blockEnd = std::min(extraLength, x + 4 + length);
      if (id == 0x0001) {
        std::size_t v = x + 4;
        for (std::uint64_t* field : {&uncompressed, &compressed, &local}) {
          if (*field != kUnset32) continue;
          if (blockEnd - v < 8) break;  // a value that does not fit stays unset
          *field = std::uint64_t(signedValue(u64(extra + v)));
          v += 8;
        }
      }
      x = blockEnd;
    }
    if (flags & 1) fail("the archive is encrypted");

    e.compressedSize = std::int64_t(compressed);
    e.size = std::int64_t(uncompressed);
    e.localOffset = std::int64_t(local);
    if (!e.name.ends_with('/')) entries_.push_back(std::move(e));

    // The comment may run past the data; the next header's check catches that.
    const std::size_t step = kCentralSize + nameLength + extraLength + commentLength;
    pos = size - pos < step ? size : pos + step;
  }
}

bool ZipReader::contains(std::string_view name) const { return byKey_.contains(lookupKey(name)); }

std::optional<ZipReader::Entry> ZipReader::entry(std::string_view name) const {
  const auto it = byKey_.find(lookupKey(name));
  if (it == byKey_.end()) return std::nullopt;
  return entries_[it->second];
}

std::int64_t ZipReader::spent() const {
  std::lock_guard lock(spentLock_);
  return spent_;
}

const ZipReader::Entry& ZipReader::find(std::string_view name) const {
  const auto it = byKey_.find(lookupKey(name));
  if (it == byKey_.end()) fail("the archive has no " + std::string(name));
  return entries_[it->second];
}

UnpackedBytes ZipReader::read(std::string_view name) const { return unpack(find(name)); }

std::span<const std::byte> ZipReader::grant(const Entry& e) const {
  const std::int64_t cap = endsWithModel(e.name) ? limits_.modelEntry : limits_.otherEntry;
  if (e.size > cap) fail(e.name + " is too large to unpack");
  if (e.size > limits_.ratioFloor && limits_.ratio < e.size / std::max<std::int64_t>(e.compressedSize, 1)) {
    fail(e.name + " is packed too tightly to be a real model file");
  }

  const std::size_t size = data_.size();
  const std::byte* d = data_.data();
  if (e.localOffset < 0 || std::uint64_t(e.localOffset) > size || size - std::size_t(e.localOffset) < kLocalSize ||
      u32(d + e.localOffset) != kLocalSignature) {
    fail("a ZIP entry's header is missing");
  }
  const std::byte* local = d + e.localOffset;
  const std::uint64_t start = std::uint64_t(e.localOffset) + kLocalSize + u16(local + 26) + u16(local + 28);
  if (e.compressedSize < 0 || start > size || std::uint64_t(e.compressedSize) > size - start) {
    fail("the ZIP file is cut short");
  }

  std::lock_guard lock(spentLock_);
  if (e.size < 0 || limits_.total - spent_ < e.size) {
    fail("the archive unpacks to more than " + std::to_string(limits_.total / 1048576) + " MB");
  }
  spent_ += e.size;
  return data_.subspan(std::size_t(start), std::size_t(e.compressedSize));
}

[[noreturn]] static void unknownMethod(const ZipReader::Entry& e) {
  fail(e.name + " uses a ZIP compression method Vantorel doesn't read (" + std::to_string(e.method) + ")");
}

UnpackedBytes ZipReader::unpack(const Entry& e) const {
  const std::span<const std::byte> packed = grant(e);
  switch (e.method) {
    case 0:
      if (std::int64_t(packed.size()) != e.size) fail(e.name + " has the wrong size");
      return UnpackedBytes::borrowed(packed);
    case 8: {
      if (e.size == 0) return {};
      if (packed.empty()) fail(e.name + " couldn't be unpacked");
      UnpackedBytes out = UnpackedBytes::allocate(std::size_t(e.size));
      std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> inflater(
          libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
      if (!inflater) throw std::bad_alloc();
      std::size_t written = 0;
      const auto result = libdeflate_deflate_decompress(inflater.get(), packed.data(), packed.size(), out.writable(),
                                                        std::size_t(e.size), &written);
      if (result != LIBDEFLATE_SUCCESS || written != std::size_t(e.size)) fail(e.name + " couldn't be unpacked");
      return out;
    }
    default:
      unknownMethod(e);
  }
}

std::unique_ptr<EntryInflow> ZipReader::inflow(std::string_view name) const {
  const Entry& e = find(name);
  const std::span<const std::byte> packed = grant(e);
  switch (e.method) {
    case 0:
      if (std::int64_t(packed.size()) != e.size) fail(e.name + " has the wrong size");
      return std::unique_ptr<EntryInflow>(new EntryInflow(packed));
    case 8:
      if (e.size == 0) return std::unique_ptr<EntryInflow>(new EntryInflow(std::span<const std::byte>()));
      if (packed.empty()) fail(e.name + " couldn't be unpacked");
      return std::unique_ptr<EntryInflow>(new EntryInflow(e.name, packed, std::size_t(e.size)));
    default:
      unknownMethod(e);
  }
}

// zlib rather than libdeflate, which only unpacks whole buffers. The thread inflates into a ring
// of slots while the caller holds at most two: the newest piece and the one before.
struct EntryInflow::Stream {
  static constexpr std::size_t kSlots = 4;
  static constexpr std::size_t kSlot = kRoom + kPiece;

  enum class Outcome { running, complete, damaged, outOfMemory };

  std::string name;
  std::span<const std::byte> packed;
  std::size_t size = 0;
  std::unique_ptr<std::byte[]> slots;
  z_stream z{};

  std::mutex mutex;
  std::condition_variable changed;
  std::size_t filled[kSlots] = {};
  std::uint64_t produced = 0;  ///< pieces ready, counted from the first
  std::uint64_t taken = 0;     ///< pieces handed to the caller
  std::uint64_t released = 0;  ///< pieces whose slots may be filled again
  Outcome outcome = Outcome::running;
  bool stop = false;
  std::thread thread;

  std::byte* slot(std::uint64_t piece) { return slots.get() + std::size_t(piece % kSlots) * kSlot + kRoom; }
  void run() noexcept;
};

void EntryInflow::Stream::run() noexcept {
  std::size_t total = 0, fedIn = 0;
  for (std::uint64_t piece = 0;; ++piece) {
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return stop || piece - released < kSlots; });
      if (stop) return;
    }
    // One byte beyond the declared size is asked for, so that data running long shows.
    const std::size_t want = std::min(kPiece, size - total + 1);
    z.next_out = reinterpret_cast<Bytef*>(slot(piece));
    z.avail_out = uInt(want);
    int result = Z_OK;
    while (z.avail_out > 0 && result == Z_OK) {
      if (z.avail_in == 0 && fedIn < packed.size()) {
        const std::size_t feed = std::min<std::size_t>(packed.size() - fedIn, std::numeric_limits<uInt>::max());
        z.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(packed.data() + fedIn));
        z.avail_in = uInt(feed);
        fedIn += feed;
      }
      result = inflate(&z, Z_NO_FLUSH);
    }
    const std::size_t got = want - z.avail_out;
    total += got;
    Outcome outcome = Outcome::running;
    if (result == Z_MEM_ERROR) outcome = Outcome::outOfMemory;
    else if (total > size || (result != Z_OK && result != Z_STREAM_END)) outcome = Outcome::damaged;
    else if (result == Z_STREAM_END) outcome = total == size ? Outcome::complete : Outcome::damaged;

    const std::lock_guard lock(mutex);
    filled[piece % kSlots] = got;
    if (got > 0 && outcome != Outcome::damaged && outcome != Outcome::outOfMemory) produced = piece + 1;
    this->outcome = outcome;
    changed.notify_all();
    if (outcome != Outcome::running) return;
  }
}

EntryInflow::EntryInflow(std::span<const std::byte> whole) : size_(whole.size()), whole_(whole) {}

EntryInflow::EntryInflow(const std::string& name, std::span<const std::byte> packed, std::size_t size)
    : size_(size), stream_(std::make_unique<Stream>()) {
  Stream& s = *stream_;
  s.name = name;
  s.packed = packed;
  s.size = size;
  s.slots = std::make_unique_for_overwrite<std::byte[]>(Stream::kSlots * Stream::kSlot);
  if (inflateInit2(&s.z, -MAX_WBITS) != Z_OK) throw std::bad_alloc();  // raw DEFLATE, no wrapper
  try {
    s.thread = std::thread([&s] { s.run(); });
  } catch (...) {
    inflateEnd(&s.z);
    throw;
  }
}

EntryInflow::~EntryInflow() {
  if (!stream_) return;
  {
    const std::lock_guard lock(stream_->mutex);
    stream_->stop = true;
    stream_->changed.notify_all();
  }
  stream_->thread.join();
  inflateEnd(&stream_->z);
}

EntryInflow::Piece EntryInflow::next() {
  if (!stream_) return {};
  Stream& s = *stream_;
  std::unique_lock lock(s.mutex);
  // Every piece but the last one handed out goes back to the ring.
  if (s.taken > 0 && s.released < s.taken - 1) {
    s.released = s.taken - 1;
    s.changed.notify_all();
  }
  s.changed.wait(lock, [&] { return s.taken < s.produced || s.outcome != Stream::Outcome::running; });
  if (s.taken < s.produced) {
    const std::uint64_t piece = s.taken++;
    return {s.slot(piece), s.filled[piece % Stream::kSlots], kRoom};
  }
  if (s.outcome == Stream::Outcome::complete) return {};
  if (s.outcome == Stream::Outcome::outOfMemory) throw std::bad_alloc();
  fail(s.name + " couldn't be unpacked");
}

}  // namespace vantorel
