#include "command_support.h"

#include "output/output_folder.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace vantorel::cli {

namespace fs = std::filesystem;

// Trying is the only sure test: permissions say nothing of a read-only or full file system, and
// nothing of root's rights.
int creationError(const fs::path& folder) {
  std::string probe = (folder / ".vantorel-XXXXXX").string();
  if (!::mkdtemp(probe.data())) return errno;
  ::rmdir(probe.c_str());
  return 0;
}

void removeIfEmpty(const std::vector<fs::path>& folders) {
  for (const auto& folder : folders) Exporter::removeIfEmpty(folder);
}

// Naming a folder that doesn't exist yet is a clear enough wish to have it made.
bool prepareOutput(const std::string& out, const char* what, std::vector<fs::path>& made, std::ostream& err) {
  std::error_code ec;
  for (fs::path p = out; !p.empty() && !fs::exists(fs::symlink_status(p, ec)); p = p.parent_path()) made.push_back(p);
  fs::create_directories(out, ec);
  if (ec || !fs::is_directory(out)) {
    err << out << ": the output folder can't be made (" << (ec ? ec.message() : "not a folder") << ").\n";
    removeIfEmpty(made);
    return false;
  }
  if (const int error = creationError(out)) {
    err << out << ": " << what << " can't be made there (" << std::generic_category().message(error) << ").\n";
    removeIfEmpty(made);
    return false;
  }
  return true;
}

bool asksForHelp(const std::vector<std::string>& args) {
  for (const auto& a : args) {
    if (a == "--") return false;
    if (a == "-h" || a == "--help") return true;
  }
  return false;
}

}  // namespace vantorel::cli
