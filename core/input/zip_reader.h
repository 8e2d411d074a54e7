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

  /// The name an entry is looked up by: percent-decoded (unchanged when that fails), every leading
  /// "/" removed, ASCII lower case.
  static std::string lookupKey(std::string_view name);

  /// Bytes granted from `limits().total` so far.
  std::int64_t spent() const;

private:
  UnpackedBytes unpack(const Entry& entry) const;
  void parseDirectory();

  std::span<const std::byte> data_;
  std::vector<Entry> entries_;
  Limits limits_;
  std::unordered_map<std::string, std::size_t> byKey_;
  mutable std::mutex spentLock_;
  mutable std::int64_t spent_ = 0;
};

}  // namespace vantorel
