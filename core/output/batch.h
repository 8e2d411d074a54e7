#pragma once
// One export job over many model files, one after another, each into a new folder of its own.
#include "input/model_loader.h"
#include "output/export_job.h"
#include "output/output_folder.h"
#include "staging/look.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <span>
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

/// `files` in the order a batch takes them and slices them: byte order of the paths, repeats
/// dropped. Locale-free, so every machine of a fleet sorts a list alike (as `LC_ALL=C sort -u`).
std::vector<std::filesystem::path> ordered(std::vector<std::filesystem::path> files);

/// The folder each of `files` gets in a batch of the whole list: its safe name, numbered " 2",
/// " 3" … after earlier files of the list that took that name. It depends on nothing but the list,
/// so a slice of a batch, or a batch resumed, names each folder as the whole batch run at once does.
std::vector<std::string> folderNames(const std::vector<std::filesystem::path>& files,
                                     ModelLoader::PlateChoice plates = {});

/// Slice `k` of `n` (1 ≤ k ≤ n) of a list of `count` items: the indices i with i mod n = k − 1.
/// Taking every n-th item spreads a run of heavy models in the sorted list over all slices, and
/// the slices' sizes differ by one at most.
std::vector<std::size_t> shard(std::size_t count, std::size_t k, std::size_t n);

/// Loads each file (the plates `plates` chooses, see eachPlate), builds its studio under `look` (no
/// hidden objects), runs `job` into a hidden folder in `output` and gives that folder its name
/// from folderNames(files) (for each plate: that name + " plate N") once the export ends, so a
/// model's folder appears complete or not at all, even to other processes writing into `output`.
/// A name found taken gives the next free numbered one that no file of the list is planned for;
/// nothing existing is ever written into.
/// `only`, when given, is the ascending indices of the files handled (a slice, or those not yet
/// done); the others still count for the names. Returns one result per file handled, in order;
/// progress indices count the files handled. Never throws: failures are recorded and the next file
/// goes on; a failed export keeps the files it finished. A stop request (noticed before each file
/// and inside each export) ends the batch with the results of the files finished before it; the
/// model it was on leaves nothing.
/// Only one model and one studio are alive at a time. `finished`, when given, receives each result
/// as soon as it is known (for showing results while the batch goes on).
std::vector<Result> run(const std::vector<std::filesystem::path>& files, const ExportJob& job, const Look& look,
                        const std::filesystem::path& output, const Progress& progress = {}, std::stop_token stop = {},
                        const std::function<void(const Result&)>& finished = {},
                        ModelLoader::PlateChoice plates = {},
                        std::optional<std::span<const std::size_t>> only = std::nullopt);

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

/// One result as one line of JSON Lines: the object of reportJSON on a single line, ending in "\n".
std::string reportLine(const Result& result);

/// A JSON Lines report written as the batch goes: each line reaches the file (and the disk) in one
/// write as soon as its model ends, so a run killed at any moment leaves a valid report.
class ReportLines {
public:
  /// Creates `destination`, never replacing a file; with `append`, adds to it instead (creating it
  /// when missing), first dropping a last line a killed run cut short.
  /// Throws ExportError::exists, or std::system_error for the file system's error.
  ReportLines(const std::filesystem::path& destination, bool append);
  ~ReportLines();
  ReportLines(const ReportLines&) = delete;
  ReportLines& operator=(const ReportLines&) = delete;
  /// Throws std::system_error (e.g. no space left).
  void add(const Result& result);

private:
  int fd_ = -1;
};

/// The sources a report (JSON Lines, or the JSON array of writeReport) lists without an error, as
/// absolute, lexically normal paths (relative ones taken from the current folder). A last line cut
/// short is ignored. Throws std::system_error when the file can't be read, std::runtime_error
/// naming the line when it isn't such a report.
std::set<std::filesystem::path> doneSources(const std::filesystem::path& report);

}  // namespace vantorel::Batch
