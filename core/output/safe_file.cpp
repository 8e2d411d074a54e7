#include "output/safe_file.h"

#include "output/export_error.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <string>
#include <system_error>
#include <unistd.h>

namespace vantorel {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void throwFileError(const char* what, const fs::path& path, int error) {
  throw fs::filesystem_error(what, path, std::error_code(error, std::generic_category()));
}

// Hidden, and short enough that the added parts never push a long name past the 255-byte limit.
std::string temporaryName(const std::string& name, std::mt19937_64& random) {
  std::string stem = name.substr(0, 200);
  while (!stem.empty() && (static_cast<unsigned char>(stem.back()) & 0xC0) == 0x80) stem.pop_back();
  if (!stem.empty() && (static_cast<unsigned char>(stem.back()) & 0x80)) stem.pop_back();  // cut lead byte
  char tag[20];
  std::snprintf(tag, sizeof tag, "%08llx", static_cast<unsigned long long>(random() & 0xFFFFFFFFull));
  return "." + stem + "." + tag + ".part";
}

void syncFolder(const fs::path& folder) {
  // Makes the rename itself durable; a folder that can't be synced (some network file systems)
  // still holds the complete file, so failures are ignored.
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

SafeFile::SafeFile(fs::path destination, bool replacing) : destination_(std::move(destination)), replacing_(replacing) {
  std::error_code ec;
  if (!replacing_ && fs::exists(fs::symlink_status(destination_, ec))) {
    throw ExportError::exists(destination_.filename().string());
  }
  std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = destination_.parent_path() / temporaryName(destination_.filename().string(), random);
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) return;
    if (errno != EEXIST) throwFileError("can't create the temporary file", temporary_, errno);
  }
  throwFileError("can't create the temporary file", temporary_, EEXIST);
}

SafeFile::~SafeFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) ::unlink(temporary_.c_str());
}

void SafeFile::write(std::span<const unsigned char> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "write");
    }
    bytes = bytes.subspan(std::size_t(n));
  }
}

void SafeFile::finish() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  const bool synced = ::fsync(fd) == 0 || errno == EINVAL;  // EINVAL: a file system without sync
  const int syncError = errno;
  const bool closed = ::close(fd) == 0;
  if (!synced) throw std::system_error(syncError, std::generic_category(), "fsync");
  if (!closed) throw std::system_error(errno, std::generic_category(), "close");
}

void SafeFile::commit() {
  finish();
  const char* from = temporary_.c_str();
  const char* to = destination_.c_str();
  if (replacing_) {
    if (::rename(from, to) != 0) throwFileError("can't move the new file into place", destination_, errno);
  } else if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) != 0) {
    if (errno == EEXIST) throw ExportError::exists(destination_.filename().string());
    if (errno != EINVAL && errno != ENOSYS) throwFileError("can't move the new file into place", destination_, errno);
    // The file system can't rename without replacing; a hard link fails just as atomically on an
    // existing name.
    if (::link(from, to) != 0) {
      if (errno == EEXIST) throw ExportError::exists(destination_.filename().string());
      throwFileError("can't move the new file into place", destination_, errno);
    }
    ::unlink(from);
  }
  committed_ = true;
  syncFolder(destination_.parent_path());
}

}  // namespace vantorel
