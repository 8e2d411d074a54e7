#pragma once
#include <cstddef>
#include <filesystem>
#include <span>
#include <vector>

namespace vantorel {

/// The whole contents of a file, memory-mapped read-only where possible, read into memory for
/// pipes, special files and empty files. Move-only; the bytes live as long as the object.
class MappedFile {
public:
  /// Throws std::filesystem::filesystem_error (ENOENT, EACCES, EISDIR …) when the file can't be read.
  explicit MappedFile(const std::filesystem::path& path);
  ~MappedFile();
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::span<const std::byte> bytes() const { return {data_, size_}; }

private:
  void release() noexcept;
  const std::byte* data_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
  std::vector<std::byte> buffer_;
};

}  // namespace vantorel
