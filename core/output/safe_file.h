#pragma once
// Writing a file without ever losing the user's data: everything goes to a temporary file beside
// the destination, which takes the destination's name only once it is complete.
#include <filesystem>
#include <span>

namespace vantorel {

/// One file being written. The temporary file lives in the destination's folder (so the final
/// rename is atomic) under a hidden name; it is removed when the object dies uncommitted, so a
/// failure or cancellation anywhere leaves no partial file and never touches an existing one.
class SafeFile {
public:
  /// Destination check, then creates the empty temporary file (permissions from the umask).
  /// Throws ExportError::exists(file name) when something exists at `destination` and `replacing`
  /// is false; std::filesystem::filesystem_error when the temporary file can't be created
  /// (missing folder, no permission).
  SafeFile(std::filesystem::path destination, bool replacing);
  ~SafeFile();
  SafeFile(const SafeFile&) = delete;
  SafeFile& operator=(const SafeFile&) = delete;

  const std::filesystem::path& destination() const { return destination_; }
  /// Where the bytes go until commit(); other code (FFmpeg) may open it by name.
  const std::filesystem::path& temporaryPath() const { return temporary_; }

  /// Appends `bytes` to the temporary file. Throws std::system_error (e.g. no space left).
  void write(std::span<const unsigned char> bytes);

  /// Flushes the temporary file to disk (whoever wrote it) and closes it. Throws std::system_error.
  void finish();

  /// Moves the finished file into place. With replacing, an existing destination is replaced
  /// atomically; without, a destination that appeared since the check is never replaced:
  /// ExportError::exists is thrown and the temporary file removed. Other failures throw
  /// std::filesystem::filesystem_error (the temporary file is removed as well).
  void commit();

private:
  std::filesystem::path destination_;
  std::filesystem::path temporary_;
  bool replacing_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace vantorel
