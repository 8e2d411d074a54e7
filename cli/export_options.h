#pragma once
// The options `export` and `batch` share: which parts to make, the look and the specs.
#include "input/model_loader.h"
#include "output/export_job.h"
#include "staging/look.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vantorel::cli {

struct ExportOptions {
  std::string out;                  ///< --out FOLDER
  /// --look FILE and the look flags over the default look; absent when neither is given, so that
  /// each model starts from its own default look.
  std::optional<Look> look;
  ExportJob job;                    ///< the parts, with their specs
  ModelLoader::PlateChoice plates;  ///< --plate N|all
};

/// Reads the value of --plate: a plate number (1 or more) or "all"; nothing for anything else.
std::optional<ModelLoader::PlateChoice> parsePlateChoice(const std::string& text);

/// The help lines of --plate for `command` ("render", "export" or "batch").
std::string plateOptionHelp(std::string_view command);

/// Parses the shared options out of `args`, leaving the others (paths, --sample …) in `rest`; a
/// "--" ends the options and goes into `rest` with everything after it.
/// Returns false after writing one sentence to `err` when an option or a JSON file is wrong.
bool parseExportOptions(const std::vector<std::string>& args, ExportOptions& options, std::vector<std::string>& rest,
                        std::ostream& err);

/// The help lines of the shared options, then the look and spec flags, ending with the heading
/// under which each command lists its own options.
std::string exportOptionsHelp();

}  // namespace vantorel::cli
