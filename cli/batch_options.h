#pragma once
// The options only `batch` takes: where the list of models comes from, which slice of it this run
// handles, the report, and the report of an earlier run to go on from.
#include <cstddef>
#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vantorel::cli {

struct BatchOptions {
  std::optional<std::string> folder;     ///< the folder of models
  std::optional<std::string> filesFrom;  ///< --files-from FILE ("-": standard input)
  std::size_t shardIndex = 1;            ///< --shard K/N
  std::size_t shardCount = 1;
  std::optional<std::string> report;  ///< --report FILE (JSON Lines when it ends in .jsonl)
  std::optional<std::string> resume;  ///< --resume REPORT
};

/// Takes the batch options and the folder out of `args` (what the shared options left). Returns
/// false after one sentence on `err` for an unknown option, a wrong value, or not exactly one
/// folder or --files-from.
bool parseBatchOptions(const std::vector<std::string>& args, BatchOptions& options, std::ostream& err);

/// Reads "K/N" (1 ≤ K ≤ N); false for anything else.
bool parseShard(const std::string& text, std::size_t& k, std::size_t& n);

/// The paths of a list, one a line; blank lines are skipped, a line's carriage return dropped.
std::vector<std::filesystem::path> readFileList(std::istream& in);

/// Whether a report at `path` is written as JSON Lines (by its extension).
bool isJSONLines(const std::filesystem::path& path);

/// The help lines of the batch options.
std::string batchOptionsHelp();

}  // namespace vantorel::cli
