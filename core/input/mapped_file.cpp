#include "input/mapped_file.h"

#include "input/load_error.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <system_error>

namespace vantorel {
namespace {

[[noreturn]] void fail(const char* what, const std::filesystem::path& path, int error) {
  throw std::filesystem::filesystem_error(what, path, std::error_code(error, std::generic_category()));
}

// The address ranges of the live mappings, so that doneWith never drops the pages of memory that
// isn't a file's: for other memory that would clear it.
struct Mappings {
  std::mutex lock;
  std::vector<std::pair<std::uintptr_t, std::uintptr_t>> ranges;
};

Mappings& mappings() {
  static Mappings& instance = *new Mappings;  // never destroyed: files may be closed during exit
  return instance;
}

std::uintptr_t pageSize() {
  static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  return page;
}

struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

MappedFile::MappedFile(const std::filesystem::path& path) {
  // Without O_NONBLOCK, opening a named pipe waits for a writer that may never come. Sockets
  // can't be opened at all (ENXIO), and are no more a model file than a pipe is.
  Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
  if (file.fd < 0 && errno == ENXIO) throw LoadError::malformed("it isn't a regular file");
  if (file.fd < 0) fail("cannot open file", path, errno);

  struct stat info {};
  if (::fstat(file.fd, &info) != 0) fail("cannot read file", path, errno);
  if (S_ISDIR(info.st_mode)) fail("cannot read file", path, EISDIR);
  // Pipes and devices could stream without end; only a file's own bytes are read.
  if (!S_ISREG(info.st_mode)) throw LoadError::malformed("it isn't a regular file");
  const int flags = ::fcntl(file.fd, F_GETFL);
  if (flags >= 0) ::fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK);
  if (info.st_size <= 0) return;  // nothing to map (files in /proc say 0 too, and read as empty)

  const auto size = static_cast<std::size_t>(info.st_size);
  path_ = path;  // before mapping: nothing may throw once the mapping is noted
  void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.fd, 0);
  if (p != MAP_FAILED) {
    try {
      const auto begin = reinterpret_cast<std::uintptr_t>(p);
      const std::lock_guard guard(mappings().lock);
      mappings().ranges.emplace_back(begin, begin + size);
    } catch (...) {
      ::munmap(p, size);
      throw;
    }
    ::madvise(p, size, MADV_SEQUENTIAL);
    data_ = static_cast<const std::byte*>(p);
    size_ = size;
    mapped_ = true;
    fd_ = std::exchange(file.fd, -1);
    return;
  }

  // Some file systems can't map: read the size the file had when it was opened, no more.
  buffer_.resize(size);
  std::size_t used = 0;
  while (used < size) {
    const ssize_t got = ::pread(file.fd, buffer_.data() + used, size - used, off_t(used));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) fail("cannot read file", path, errno);
    if (got == 0) break;  // cut short meanwhile
    used += static_cast<std::size_t>(got);
  }
  buffer_.resize(used);
  data_ = buffer_.data();
  size_ = used;
}

MappedFile::~MappedFile() { release(); }

void prefault(std::span<const std::byte> bytes) noexcept {
  if (bytes.empty()) return;
  const auto page = pageSize();
  const auto begin = reinterpret_cast<std::uintptr_t>(bytes.data()) & ~(page - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(bytes.data() + bytes.size());
  ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_READ);
}

void doneWith(std::span<const std::byte> bytes) noexcept {
  // Only whole pages: the ones at the edges may hold bytes that are still to be read.
  const auto page = pageSize();
  const auto begin = (reinterpret_cast<std::uintptr_t>(bytes.data()) + page - 1) & ~(page - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(bytes.data() + bytes.size()) & ~(page - 1);
  if (bytes.empty() || begin >= end) return;
  // Held throughout, so that the mapping can't be closed and its addresses reused meanwhile.
  const std::lock_guard guard(mappings().lock);
  const auto& ranges = mappings().ranges;
  if (std::any_of(ranges.begin(), ranges.end(), [&](const auto& r) { return r.first <= begin && end <= r.second; })) {
    // The pages of a read-only private file mapping were never written, so dropping them loses
    // nothing: the file's cached pages stay, and a later read maps them again.
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
  }
}

void MappedFile::copy(std::size_t offset, std::span<std::byte> out) const {
  if (offset > size_ || out.size() > size_ - offset) throw std::out_of_range("MappedFile::copy past the end");
  if (out.empty()) return;  // an empty file has no bytes to copy from
  if (!mapped_) {
    std::memcpy(out.data(), data_ + offset, out.size());
    return;
  }
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t got = ::pread(fd_, out.data() + done, out.size() - done, off_t(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) fail("cannot read file", path_, errno);
    if (got == 0) fail("the file was cut short while it was being read", path_, EIO);
    done += std::size_t(got);
  }
}

void MappedFile::release() noexcept {
  if (mapped_) {
    const auto begin = reinterpret_cast<std::uintptr_t>(data_);
    const std::lock_guard guard(mappings().lock);
    auto& ranges = mappings().ranges;
    const auto found = std::find(ranges.begin(), ranges.end(), std::pair(begin, begin + size_));
    if (found != ranges.end()) ranges.erase(found);
  }
  if (mapped_) ::munmap(const_cast<std::byte*>(data_), size_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_.clear();
  mapped_ = false;
  data_ = nullptr;
  size_ = 0;
  buffer_.clear();
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(other.data_),
      size_(other.size_),
      mapped_(other.mapped_),
      fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      buffer_(std::move(other.buffer_)) {
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
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    buffer_ = std::move(other.buffer_);
    if (!mapped_) data_ = buffer_.data();
    other.data_ = nullptr;
    other.size_ = 0;
    other.mapped_ = false;
  }
  return *this;
}

}  // namespace vantorel
