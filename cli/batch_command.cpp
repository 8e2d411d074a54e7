#include "batch_options.h"
#include "command_support.h"
#include "commands.h"
#include "export_options.h"
#include "interrupt.h"
#include "progress_display.h"

#include "base/error.h"
#include "input/model_loader.h"
#include "output/batch.h"
#include "output/export_error.h"
#include "studio/studio.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iostream>
#include <memory>
#include <system_error>

namespace vantorel::cli {
namespace {

namespace fs = std::filesystem;

fs::path absoluteNormal(const fs::path& p) {
  std::error_code ec;
  const auto absolute = fs::absolute(p, ec);
  return (ec ? p : absolute).lexically_normal();
}

// Whether the report can go where it was asked: into an existing folder that takes new files, under
// a name not taken. It is written last, so finding out after an hour of rendering would be too late.
bool reportPlaceUsable(const fs::path& report, std::ostream& err) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(report, ec))) {
    err << report.string() << ": already exists, so it wasn't replaced. Choose another name.\n";
    return false;
  }
  const fs::path folder = report.parent_path().empty() ? fs::path(".") : report.parent_path();
  const int error = !fs::exists(folder, ec) ? ENOENT : !fs::is_directory(folder, ec) ? ENOTDIR : creationError(folder);
  if (error) {
    err << report.string() << ": the report can't be written there (" << std::generic_category().message(error) << ").\n";
    return false;
  }
  return true;
}

// The list --files-from names; nothing (after one sentence) when it can't be read.
std::optional<std::vector<fs::path>> listedFiles(const std::string& list, std::ostream& err) {
  if (list == "-") return readFileList(std::cin);
  std::error_code ec;
  std::ifstream in;
  if (!fs::is_directory(list, ec)) in.open(list);
  if (!in) {
    const int error = fs::is_directory(list, ec) ? EISDIR : errno ? errno : ENOENT;
    err << list << ": the list of models can't be read (" << std::generic_category().message(error) << ").\n";
    return std::nullopt;
  }
  auto files = readFileList(in);
  if (in.bad()) {
    err << list << ": the list of models can't be read (" << std::generic_category().message(EIO) << ").\n";
    return std::nullopt;
  }
  return files;
}

}  // namespace

int batch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (asksForHelp(args)) {
    out << "Usage: vantorel-cli batch FOLDER|--files-from FILE --out FOLDER [OPTIONS]\n\n"
           "Exports every model file (STL, 3MF, OBJ) in FOLDER and its subfolders, or\n"
           "those FILE lists, one after another, each into a new folder of its own inside\n"
           "--out. A model's folder appears when its files are complete; its name depends\n"
           "only on the sorted list, so slices of one batch run on many machines name\n"
           "their folders as the whole batch does.\n\nOptions:\n"
        << exportOptionsHelp() << plateOptionHelp("batch") << batchOptionsHelp()
        << "  -h, --help          show this help\n\n"
           "The exit status is 0 when every model was exported, 2 when some failed,\n"
           "130 when cancelled with Ctrl+C (129 on hang-up, 143 when terminated), 64 for\n"
           "a usage error. A stopped batch still writes its report.\n";
    return 0;
  }
  ExportOptions options;
  std::vector<std::string> rest;
  if (!parseExportOptions(args, options, rest, err)) return exitUsage;
  BatchOptions batchOptions;
  if (!parseBatchOptions(rest, batchOptions, err)) return exitUsage;

  std::vector<fs::path> listed;
  std::size_t skippedFolders = 0;
  fs::path source;  // the folder, to show paths from
  if (batchOptions.folder) {
    source = *batchOptions.folder;
    if (!fs::is_directory(source)) {
      err << source.string() << ": this isn't a folder.\n";
      return 1;
    }
    auto listing = ModelLoader::listing(source);
    listed = std::move(listing.files);
    skippedFolders = listing.skippedFolders;
  } else {
    auto files = listedFiles(*batchOptions.filesFrom, err);
    if (!files) return 1;
    listed = std::move(*files);
  }
  const std::vector<fs::path> files = Batch::ordered(std::move(listed));
  const auto skipped = [&] {
    const std::size_t n = skippedFolders;
    return std::to_string(n) + (n == 1 ? " folder couldn't be read" : " folders couldn't be read");
  };
  if (files.empty()) {
    out << "No model files in " << (batchOptions.folder ? source.string() : *batchOptions.filesFrom);
    if (skippedFolders) out << " (" << skipped() << ")";
    out << ".\n";
    return 0;
  }

  const bool lines = batchOptions.report && isJSONLines(*batchOptions.report);
  const bool appending = lines && batchOptions.resume &&
                         absoluteNormal(*batchOptions.resume) == absoluteNormal(*batchOptions.report);
  std::set<fs::path> done;
  std::error_code ec;
  if (batchOptions.resume && !(appending && !fs::exists(*batchOptions.resume, ec))) {
    try {
      done = Batch::doneSources(*batchOptions.resume);
    } catch (const std::system_error& e) {
      err << *batchOptions.resume << ": the report to resume from can't be read (" << e.code().message() << ").\n";
      return 1;
    } catch (const std::exception& e) {
      err << *batchOptions.resume << ": this isn't a batch report (" << e.what() << ").\n";
      return 1;
    }
  }
  std::vector<std::size_t> handled;
  const auto slice = Batch::shard(files.size(), batchOptions.shardIndex, batchOptions.shardCount);
  std::ranges::copy_if(slice, std::back_inserter(handled), [&](std::size_t i) { return !done.contains(absoluteNormal(files[i])); });
  const std::size_t doneBefore = slice.size() - handled.size();
  const std::jthread driver = handled.empty() ? std::jthread() : Studio::prepare();  // loads while the first model is read
  if (handled.empty()) {
    out << "Nothing to export: " << (slice.empty() ? "this slice holds no model" : "every model of it is done") << ".\n";
    return 0;
  }

  std::vector<fs::path> made;
  if (!prepareOutput(options.out, "the models' folders", made, err)) return 1;
  std::unique_ptr<Batch::ReportLines> reportLines;
  if (lines) {
    try {
      reportLines = std::make_unique<Batch::ReportLines>(*batchOptions.report, appending);
    } catch (const ExportError&) {
      err << *batchOptions.report << ": already exists, so it wasn't replaced. Choose another name.\n";
    } catch (const std::system_error& e) {
      err << *batchOptions.report << ": the report can't be written there (" << e.code().message() << ").\n";
    }
    if (!reportLines) {
      removeIfEmpty(made);
      return 1;
    }
  } else if (batchOptions.report && !reportPlaceUsable(*batchOptions.report, err)) {
    removeIfEmpty(made);
    return 1;
  }

  InterruptToStop interrupt;
  ProgressDisplay progress(stderr);
  const Look look = options.look.value_or(Look{});
  bool reportFailed = false;
  const auto reportFailure = [&](const std::exception& e) {
    err << *batchOptions.report << ": the report couldn't be written: " << errorText(e) << "\n";
    reportFailed = true;
  };
  const auto printResult = [&](const Batch::Result& r) {
    // As the user named it: resolving links would show a long way round.
    const auto relative = source.empty() ? fs::path() : r.source.lexically_relative(source);
    const auto name = (relative.empty() ? r.source : relative).string();
    const auto folder = r.outputs.empty() ? std::string() : r.outputs.front().parent_path().string();
    const auto count = std::to_string(r.outputs.size()) + (r.outputs.size() == 1 ? " file" : " files");
    if (r.error) {
      out << "failed  " << name << ": " << *r.error;
      if (!r.outputs.empty()) out << " " << count << " kept in " << folder << ".";
      out << "\n";
    } else {
      out << "ok      " << name << " -> " << folder << " (" << count << ")\n";
    }
    out.flush();
  };
  const auto results = Batch::run(
      files, options.job, look, options.out,
      [&](std::size_t index, double p) {
        const std::string label = std::to_string(index + 1) + "/" + std::to_string(handled.size()) + " " +
                                  options.job.partAt(p);
        progress.update((double(index) + p) / double(handled.size()), label);
      },
      interrupt.token(),
      [&](const Batch::Result& r) {
        progress.finish();
        printResult(r);
        if (reportLines && !reportFailed) {
          try {
            reportLines->add(r);
          } catch (const std::exception& e) {
            reportFailure(e);
          }
        }
      },
      options.plates, handled);
  progress.finish();

  const auto failed = std::size_t(std::count_if(results.begin(), results.end(), [](auto& r) { return r.error.has_value(); }));
  out << results.size() - failed << " of " << handled.size() << " models exported";
  if (failed) out << ", " << failed << " failed";
  if (doneBefore) out << "; " << doneBefore << " done before";
  if (skippedFolders) out << "; " << skipped();
  out << ".\n";

  // Written also after a stop: the results so far are what the user needs to pick up from.
  if (batchOptions.report && !lines) {
    try {
      Batch::writeReport(results, *batchOptions.report);
    } catch (const std::exception& e) {
      reportFailure(e);
    }
  }
  removeIfEmpty(made);
  if (interrupt.interrupted()) {
    err << "Cancelled after " << results.size() << " of " << handled.size() << " models.\n";
    return interrupt.exitStatus();
  }
  return reportFailed ? 1 : failed ? 2 : 0;
}

}  // namespace vantorel::cli
