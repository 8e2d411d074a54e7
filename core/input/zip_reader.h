#pragma once
// Reads a ZIP archive that is wholly in memory (a 3MF package): the central directory once, then
// single entries by name on request, within explicit size limits. Written for hostile archives.
// Format reference: PKWARE APPNOTE.TXT 6.3 (sections 4.3.7, 4.3.12, 4.3.14–4.3.16, 4.5.3).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantorel {

/// Frees an UnpackedBytes buffer of `size` bytes the way it was allocated.
struct UnpackedRelease {
  std::size_t size = 0;
  void operator()(std::byte* p) const noexcept;
};

/// The bytes of one unpacked entry: either a slice of the archive (stored entries) or a buffer of
/// their own (deflated entries). A slice is valid only while the archive's bytes are.
class UnpackedBytes {
public:
  UnpackedBytes() = default;
  static UnpackedBytes borrowed(std::span<const std::byte> slice);
  /// An uninitialised buffer of `size` bytes (large ones are faulted in by the kernel in bulk).
  static UnpackedBytes allocate(std::size_t size);

  std::span<const std::byte> bytes() const { return {data_, size_}; }
  std::byte* writable() { return owned_.get(); }

private:
  std::unique_ptr<std::byte[], UnpackedRelease> owned_;
  const std::byte* data_ = nullptr;
  std::size_t size_ = 0;
};

class EntryInflow;

class ZipReader {
public:
  /// All sizes are in bytes.
  struct Limits {
    std::int64_t modelEntry = 0;  ///< largest unpacked entry whose name ends in ".model" (any case)
    std::int64_t otherEntry = 0;  ///< largest unpacked entry of any other name
    std::int64_t total = 0;       ///< largest sum of unpacked sizes granted over the reader's life
    std::int64_t ratio = 0;       ///< largest unpacked ÷ packed size
    std::int64_t ratioFloor = 0;  ///< entries up to this unpacked size skip the ratio test
    bool operator==(const Limits&) const = default;
  };

  struct Entry {
    std::string name;  ///< path as stored, as UTF-8 with invalid sequences replaced
    std::uint16_t method = 0;
    std::int64_t compressedSize = 0;
    std::int64_t size = 0;
    std::int64_t localOffset = 0;
    bool operator==(const Entry&) const = default;
  };

  /// Parses the central directory of `archive`, which must outlive the reader (it is never copied).
  /// Throws LoadError::malformed when the bytes are not a ZIP archive this reader accepts (too
  /// short, no directory, damaged or out-of-range directory, encrypted entries).
  ZipReader(std::span<const std::byte> archive, Limits limits);

  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  /// The file entries in directory order (directories left out).
  const std::vector<Entry>& entries() const { return entries_; }
  const Limits& limits() const { return limits_; }

  /// Whether an entry answers to `name` (see lookupKey).
  bool contains(std::string_view name) const;
  std::optional<Entry> entry(std::string_view name) const;

  /// Unpacks the entry that answers to `name`. Stored entries come back as a slice of the archive.
  /// Throws LoadError::malformed for a missing entry, a broken limit (the grant from the total is
  /// kept even when unpacking then fails), a damaged entry or an unsupported method. Safe to call
  /// from several threads at once.
  UnpackedBytes read(std::string_view name) const;

  /// The entry that answers to `name`, unpacked piece by piece into a few buffers that stay in
  /// cache rather than into fresh memory of its whole size. Checks and throws as read does, except
  /// that damaged deflate data shows only when the pieces reach it.
  std::unique_ptr<EntryInflow> inflow(std::string_view name) const;

  /// The name an entry is looked up by: percent-decoded (unchanged when that fails), every leading
  /// "/" removed, ASCII lower case.
  static std::string lookupKey(std::string_view name);

  /// Bytes granted from `limits().total` so far.
  std::int64_t spent() const;

private:
  UnpackedBytes unpack(const Entry& entry) const;
  /// The packed bytes of `entry` once its limits, header, bounds and share of the total are checked.
  std::span<const std::byte> grant(const Entry& entry) const;
  const Entry& find(std::string_view name) const;
  void parseDirectory();

  std::span<const std::byte> data_;
  std::vector<Entry> entries_;
  Limits limits_;
  std::unordered_map<std::string, std::size_t> byKey_;
  mutable std::mutex spentLock_;
  mutable std::int64_t spent_ = 0;
};

/// An entry being unpacked piece by piece on a thread of its own, so that unpacking overlaps with
/// the use of the pieces; entries that need no unpacking come whole.
class EntryInflow {
public:
  /// Bytes of one piece, and the writable room before each.
  static constexpr std::size_t kPiece = std::size_t(256) << 10;
  static constexpr std::size_t kRoom = std::size_t(4) << 10;

  struct Piece {
    std::byte* data = nullptr;
    std::size_t size = 0;
    std::size_t room = 0;  ///< writable bytes just before `data`
  };

  EntryInflow(const EntryInflow&) = delete;
  EntryInflow& operator=(const EntryInflow&) = delete;
  ~EntryInflow();

  /// The unpacked size the directory gives.
  std::size_t size() const { return size_; }
  /// The whole entry, when it is stored or empty; then there are no pieces.
  std::optional<std::span<const std::byte>> whole() const { return whole_; }
  /// The next piece, or an empty one after the last. The piece returned before stays valid until
  /// the next call. Throws LoadError::malformed ("… couldn't be unpacked") where the data is
  /// damaged or unpacks to another size than the directory gives.
  Piece next();

private:
  friend class ZipReader;
  struct Stream;
  EntryInflow(std::span<const std::byte> whole);
  EntryInflow(const std::string& name, std::span<const std::byte> packed, std::size_t size);

  std::size_t size_ = 0;
  std::optional<std::span<const std::byte>> whole_;
  std::unique_ptr<Stream> stream_;
};

}  // namespace vantorel
