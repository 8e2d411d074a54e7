#include "batch_options.h"

#include <charconv>

namespace vantorel::cli {

std::string batchOptionsHelp() {
  return R"(  --files-from FILE   export the model files FILE lists, one path a line
                      (relative to the current folder; - reads standard input)
                      instead of a folder's
  --shard K/N         export only slice K of N of the list, sorted by bytes:
                      models 1-based i with (i - 1) mod N = K - 1; N machines
                      running slices 1 to N into one --out make the folders
                      and files of the whole batch
  --report FILE       write the results (source, outputs, error): FILE.jsonl
                      as JSON Lines, one line as each model ends (a killed
                      run leaves a valid report); any other name as one JSON
                      array at the end
  --resume REPORT     skip the models an earlier run's report lists as done;
                      when REPORT is also --report (JSON Lines), add to it
                      (a missing one then means a first run)
)";
}

bool parseShard(const std::string& text, std::size_t& k, std::size_t& n) {
  const auto slash = text.find('/');
  if (slash == std::string::npos) return false;
  const auto number = [](std::string_view s, std::size_t& value) {
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size();
  };
  const std::string_view all(text);
  return number(all.substr(0, slash), k) && number(all.substr(slash + 1), n) && k >= 1 && k <= n;
}

std::vector<std::filesystem::path> readFileList(std::istream& in) {
  std::vector<std::filesystem::path> files;
  for (std::string line; std::getline(in, line);) {
    if (line.ends_with('\r')) line.pop_back();
    if (line.find_first_not_of(" \t") != std::string::npos) files.emplace_back(line);
  }
  return files;
}

bool isJSONLines(const std::filesystem::path& path) { return path.extension() == ".jsonl"; }

bool parseBatchOptions(const std::vector<std::string>& args, BatchOptions& options, std::ostream& err) {
  std::vector<std::string> paths;
  bool onlyPaths = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (onlyPaths) {
      paths.push_back(a);
      continue;
    }
    const bool takesValue = a == "--files-from" || a == "--shard" || a == "--report" || a == "--resume";
    if (takesValue && i + 1 == args.size()) {
      err << a << " needs a value.\n";
      return false;
    }
    if (a == "--") onlyPaths = true;
    else if (a == "--files-from") options.filesFrom = args[++i];
    else if (a == "--report") options.report = args[++i];
    else if (a == "--resume") options.resume = args[++i];
    else if (a == "--shard") {
      if (!parseShard(args[++i], options.shardIndex, options.shardCount)) {
        err << "--shard takes K/N, slice K of N with 1 <= K <= N (such as 2/8).\n";
        return false;
      }
    } else if (a.starts_with("-")) {
      err << "vantorel-cli batch: unknown option \"" << a << "\". See vantorel-cli batch --help.\n";
      return false;
    } else paths.push_back(a);
  }
  if (paths.size() + (options.filesFrom ? 1 : 0) != 1) {
    err << "vantorel-cli batch: name one folder of models or --files-from FILE. See vantorel-cli batch --help.\n";
    return false;
  }
  if (!paths.empty()) options.folder = paths.front();
  return true;
}

}  // namespace vantorel::cli
