#pragma once
// What the commands that write into an output folder share: checking the folder before any
// rendering, and taking back what a run that made nothing created.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace vantorel::cli {

/// 0 when something new can be made in `folder`, else why not (errno).
int creationError(const std::filesystem::path& folder);

/// Removes each of `folders` that is empty, in order (innermost first).
void removeIfEmpty(const std::vector<std::filesystem::path>& folders);

/// Makes `out` when it is missing and checks that `what` (e.g. "the model's folder") can be made in
/// it; false after one sentence on `err`. `made` receives the folders it created, innermost first.
bool prepareOutput(const std::string& out, const char* what, std::vector<std::filesystem::path>& made, std::ostream& err);

/// -h or --help among the options (not among the paths after "--").
bool asksForHelp(const std::vector<std::string>& args);

}  // namespace vantorel::cli
