#pragma once
// One export job over many model files, one after another, each into a new folder of its own.
#include "input/model_loader.h"
#include "output/export_job.h"
#include "output/output_folder.h"
#include "staging/look.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace vantorel::Batch {

/// The outcome for one model file.
struct Result {
  std::filesystem::path source;
  /// The files kept, in writing order: all the export's files, or after a failure those finished
  /// before it (the folder stays only when it holds some).
  std::vector<std::filesystem::path> outputs;
  std::optional<std::string> error;             ///< the user-facing sentence; absent on success
  bool operator==(const Result&) const = default;
};

/// (index of the current file, fraction of that file's work).
using Progress = std::function<void(std::size_t index, double fraction)>;

/// Loads each file (the plates `plates` chooses, see eachPlate), builds its studio under `look` (no
/// hidden objects), makes a new folder named for it (for each plate) in `output` and runs `job` there. Returns one result per file handled, in order. Never
/// throws: failures are recorded and the next file goes on; a stop request (noticed before each
/// file and inside each export) ends the batch with the results of the files finished before it,
/// removing the folder of the model it was on when that is still empty.
/// Only one model and one studio are alive at a time. `finished`, when given, receives each result
/// as soon as it is known (for showing results while the batch goes on).
std::vector<Result> run(const std::vector<std::filesystem::path>& files, const ExportJob& job, const Look& look,
                        const std::filesystem::path& output, const Progress& progress = {}, std::stop_token stop = {},
                        const std::function<void(const Result&)>& finished = {},
                        ModelLoader::PlateChoice plates = {});

/// Loads `file` as `plates` chooses and hands each model to `work` with the name of its folder, one
/// model alive at a time: plate N gives that plate, named "Name plate N"; all, on a project with
/// several plates, gives each plate that holds anything, named so; otherwise the model as loaded,
/// named for the file. Throws what the loader throws, and what `work` throws.
void eachPlate(const std::filesystem::path& file, ModelLoader::PlateChoice plates,
               const std::function<void(PrintModel model, const std::string& name)>& work);

/// The results as an indented JSON array, one object per result with "source", "outputs" (paths in
/// writing order) and "error" (the sentence, or null), ending in a line break.
std::string reportJSON(const std::vector<Result>& results);

/// Writes reportJSON(results) to `destination` through SafeFile, never replacing a file.
/// Throws ExportError::exists, or the file system's error.
void writeReport(const std::vector<Result>& results, const std::filesystem::path& destination);

}  // namespace vantorel::Batch
