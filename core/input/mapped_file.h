#pragma once
#include <cstddef>
#include <filesystem>
#include <span>
#include <vector>

namespace vantorel {

/// The whole contents of a regular file, memory-mapped read-only where possible, read into memory
/// where the file system can't map. Move-only; the bytes live as long as the object. The pages
/// of a mapping come in as they are first read: readers call prefault on what they will read, and
/// doneWith on what they have read.
class MappedFile {
public:
  /// Throws std::filesystem::filesystem_error (ENOENT, EACCES, EISDIR …) when the file can't be
  /// read, and LoadError::malformed, at once, for a pipe, device or socket.
  explicit MappedFile(const std::filesystem::path& path);
  ~MappedFile();
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::span<const std::byte> bytes() const { return {data_, size_}; }

  /// Copies the bytes at `offset` into `out`; they must lie within the file. A mapped file's are
  /// read from the file: for bytes read once, in order, that costs less than bringing the pages of
  /// the mapping in, and leaves them in the processor's cache. Safe from several threads at once.
  /// Throws std::filesystem::filesystem_error when the file can't be read or was cut short meanwhile.
  void copy(std::size_t offset, std::span<std::byte> out) const;

private:
  void release() noexcept;
  const std::byte* data_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
  int fd_ = -1;  // kept open while mapped, for copy
  std::filesystem::path path_;
  std::vector<std::byte> buffer_;
};

/// Maps in the pages of `bytes` ahead of a scan, which costs far less than faulting them in as the
/// scan reaches them, and lets two threads share that work on their own halves of a file. Does
/// nothing for memory that is already present or where the system can't do it.
void prefault(std::span<const std::byte> bytes) noexcept;

/// Says that `bytes` won't be read again soon. Where they lie in a MappedFile's mapping, the whole
/// pages among them are unmapped now, by the thread that read them, instead of all together when
/// the file is closed; anything else is left alone. Reading them again still works, only slower.
void doneWith(std::span<const std::byte> bytes) noexcept;

}  // namespace vantorel
