#include "input/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace vantorel {
namespace {

[[noreturn]] void fail(const char* what, const std::filesystem::path& path, int error) {
  throw std::filesystem::filesystem_error(what, path, std::error_code(error, std::generic_category()));
}

struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

MappedFile::MappedFile(const std::filesystem::path& path) {
  Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) fail("cannot open file", path, errno);

  struct stat info {};
  if (::fstat(file.fd, &info) != 0) fail("cannot read file", path, errno);
  if (S_ISDIR(info.st_mode)) fail("cannot read file", path, EISDIR);

  if (S_ISREG(info.st_mode) && info.st_size > 0) {
    const auto size = static_cast<std::size_t>(info.st_size);
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.fd, 0);
    if (p != MAP_FAILED) {
      ::madvise(p, size, MADV_SEQUENTIAL);
      data_ = static_cast<const std::byte*>(p);
      size_ = size;
      mapped_ = true;
      return;
    }
    // Some file systems can't map; fall through to a plain read.
  }

  // Pipes, character devices, /proc files and empty files: read until the end, but not for ever
  // (a stream such as /dev/zero never ends).
  constexpr std::size_t streamCap = std::size_t(1) << 31;
  std::size_t used = 0;
  buffer_.resize(S_ISREG(info.st_mode) && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 65536);
  for (;;) {
    if (used == buffer_.size()) {
      if (used >= streamCap) fail("cannot read file", path, EFBIG);
      buffer_.resize(buffer_.size() * 2);
    }
    const ssize_t got = ::read(file.fd, buffer_.data() + used, buffer_.size() - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      fail("cannot read file", path, errno);
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  buffer_.resize(used);
  data_ = buffer_.data();
  size_ = used;
}

MappedFile::~MappedFile() { release(); }

void prefault(std::span<const std::byte> bytes) noexcept {
  if (bytes.empty()) return;
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto begin = reinterpret_cast<std::uintptr_t>(bytes.data()) & ~(page - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(bytes.data() + bytes.size());
  ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_READ);
}

void MappedFile::release() noexcept {
  if (mapped_) ::munmap(const_cast<std::byte*>(data_), size_);
  mapped_ = false;
  data_ = nullptr;
  size_ = 0;
  buffer_.clear();
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(other.data_), size_(other.size_), mapped_(other.mapped_), buffer_(std::move(other.buffer_)) {
  if (!mapped_) data_ = buffer_.data();
  other.data_ = nullptr;
  other.size_ = 0;
  other.mapped_ = false;
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    release();
    data_ = other.data_;
    size_ = other.size_;
    mapped_ = other.mapped_;
    buffer_ = std::move(other.buffer_);
    if (!mapped_) data_ = buffer_.data();
    other.data_ = nullptr;
    other.size_ = 0;
    other.mapped_ = false;
  }
  return *this;
}

}  // namespace vantorel
