#include "commands.h"
#include "export_options.h"
#include "interrupt.h"
#include "progress_display.h"
#include "sample_names.h"

#include "base/error.h"
#include "input/load_error.h"
#include "input/model_loader.h"
#include "input/sample_models.h"
#include "output/batch.h"
#include "output/cancelled.h"
#include "output/exporter.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <system_error>

namespace vantorel::cli {
namespace {

namespace fs = std::filesystem;

// 0 when something new can be made in `folder`, else why not (errno). Trying is the only sure
// test: permissions say nothing of a read-only or full file system, and nothing of root's rights.
int creationError(const fs::path& folder) {
  std::string probe = (folder / ".vantorel-XXXXXX").string();
  if (!::mkdtemp(probe.data())) return errno;
  ::rmdir(probe.c_str());
  return 0;
}

void removeIfEmpty(const std::vector<fs::path>& folders) {
  for (const auto& folder : folders) Exporter::removeIfEmpty(folder);
}

// Makes --out when it is missing (naming a folder that doesn't exist yet is a clear enough wish)
// and checks that new folders can be made in it, before any rendering. `made` receives the folders
// it created, innermost first, so that a run that leaves nothing in them can take them back.
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

// -h or --help among the options (not among the paths after "--").
bool asksForHelp(const std::vector<std::string>& args) {
  for (const auto& a : args) {
    if (a == "--") return false;
    if (a == "-h" || a == "--help") return true;
  }
  return false;
}

}  // namespace

int exportModel(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (asksForHelp(args)) {
    out << "Usage: vantorel-cli export PATH|--sample " << sampleAlternatives() << " --out FOLDER [OPTIONS]\n\n"
           "Makes a new folder named for the model inside FOLDER (never an existing one)\n"
           "and writes the listing media into it.\n\nOptions:\n"
        << exportOptionsHelp() << plateOptionHelp("export")
        << "  -h, --help          show this help\n\n"
           "Ctrl+C (or a hang-up or termination signal) stops cleanly: the file being\n"
           "written is removed. The exit status is 1 when the model can't be read or\n"
           "exported, 130 when cancelled with Ctrl+C (129 on hang-up, 143 when\n"
           "terminated), 64 for a usage error.\n";
    return 0;
  }
  ExportOptions options;
  std::vector<std::string> rest;
  if (!parseExportOptions(args, false, options, rest, err)) return exitUsage;
  std::string path, sample;
  bool onlyPaths = false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (!onlyPaths && rest[i] == "--") {
      onlyPaths = true;
    } else if (!onlyPaths && rest[i] == "--sample" && i + 1 < rest.size() && isSample(rest[i + 1])) {
      sample = rest[++i];
    } else if ((!onlyPaths && rest[i].starts_with("-")) || !path.empty()) {
      err << "vantorel-cli export: unexpected \"" << rest[i] << "\". See vantorel-cli export --help.\n";
      return exitUsage;
    } else {
      path = rest[i];
    }
  }
  if (path.empty() == sample.empty()) {
    err << "vantorel-cli export: name one model file or one sample. See vantorel-cli export --help.\n";
    return exitUsage;
  }

  std::optional<PrintModel> sampleModel;
  if (!sample.empty()) {
    if (options.plates.kind == ModelLoader::PlateChoice::Kind::one) {
      err << sample << ": " << LoadError::noPlate(options.plates.number, 0).userText() << "\n";
      return 1;
    }
    sampleModel = *SampleModels::byId(sample);
  }
  std::vector<fs::path> made;
  if (!prepareOutput(options.out, "the model's folder", made, err)) return 1;

  InterruptToStop interrupt;
  ProgressDisplay progress(stderr);
  fs::path folder;
  struct FolderFailure {
    std::string message;
  };
  const auto exportOne = [&](PrintModel model, const std::string& name) {
    const Look look = options.look ? *options.look : defaultLook(model);
    auto studio = Studio::create(std::move(model), look);
    try {
      folder = Exporter::newFolder(options.out, name);
    } catch (const fs::filesystem_error& e) {
      throw FolderFailure{e.code().message()};
    }
    const auto written = Exporter::run(
        options.job, *studio, folder, Batch::safeName(name),
        [&](double p) { progress.update(p, options.job.partAt(p)); }, interrupt.token());
    progress.finish();
    out << "Wrote " << written.size() << (written.size() == 1 ? " file" : " files") << " to " << folder.string()
        << ":\n";
    for (const auto& file : written) out << "  " << file.filename().string() << "\n";
    folder.clear();
  };
  try {
    if (sampleModel) {
      const std::string name = sampleModel->name;
      exportOne(std::move(*sampleModel), name);
    } else {
      Batch::eachPlate(path, options.plates, exportOne);
    }
    return 0;
  } catch (const FolderFailure& f) {
    progress.finish();
    err << options.out << ": the model's folder can't be made there (" << f.message << ").\n";
    removeIfEmpty(made);
    return 1;
  } catch (const Cancelled&) {
    progress.finish();
    if (!folder.empty()) Exporter::removeIfEmpty(folder);
    removeIfEmpty(made);
    err << "Cancelled. The file being written was removed.\n";
    return interrupt.exitStatus();
  } catch (const std::exception& e) {
    progress.finish();
    if (!folder.empty()) Exporter::removeIfEmpty(folder);
    removeIfEmpty(made);
    err << (path.empty() ? sample : path) << ": " << errorText(e) << "\n";
    return 1;
  }
}

int batch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (asksForHelp(args)) {
    out << "Usage: vantorel-cli batch FOLDER --out FOLDER [OPTIONS]\n\n"
           "Exports every model file (STL, 3MF, OBJ) in FOLDER and its subfolders, one\n"
           "after another, each into a new folder of its own inside --out.\n\nOptions:\n"
        << exportOptionsHelp() << plateOptionHelp("batch")
        << "  --report FILE       write the results (source, outputs, error) as JSON\n"
           "  -h, --help          show this help\n\n"
           "The exit status is 0 when every model was exported, 2 when some failed,\n"
           "130 when cancelled with Ctrl+C (129 on hang-up, 143 when terminated), 64 for\n"
           "a usage error. A stopped batch still writes its report.\n";
    return 0;
  }
  ExportOptions options;
  std::vector<std::string> rest;
  if (!parseExportOptions(args, true, options, rest, err)) return exitUsage;
  std::vector<std::string> paths;
  bool onlyPaths = false, unknownOption = false;
  for (const auto& a : rest) {
    if (!onlyPaths && a == "--") onlyPaths = true;
    else if (!onlyPaths && a.starts_with("-")) unknownOption = true;
    else paths.push_back(a);
  }
  if (unknownOption || paths.size() != 1) {
    err << "vantorel-cli batch: name one folder of models. See vantorel-cli batch --help.\n";
    return exitUsage;
  }
  const fs::path source = paths[0];
  if (!fs::is_directory(source)) {
    err << source.string() << ": this isn't a folder.\n";
    return 1;
  }
  const auto listing = ModelLoader::listing(source);
  const auto& files = listing.files;
  const auto skipped = [&] {
    const std::size_t n = listing.skippedFolders;
    return std::to_string(n) + (n == 1 ? " folder couldn't be read" : " folders couldn't be read");
  };
  if (files.empty()) {
    out << "No model files in " << source.string();
    if (listing.skippedFolders) out << " (" << skipped() << ")";
    out << ".\n";
    return 0;
  }
  std::vector<fs::path> made;
  if (!prepareOutput(options.out, "the models' folders", made, err)) return 1;
  if (options.report && !reportPlaceUsable(*options.report, err)) {
    removeIfEmpty(made);
    return 1;
  }

  InterruptToStop interrupt;
  ProgressDisplay progress(stderr);
  const Look look = options.look.value_or(Look{});
  const auto printResult = [&](const Batch::Result& r) {
    // As the user named it: resolving links would show a long way round.
    const auto relative = r.source.lexically_relative(source);
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
        const std::string label = std::to_string(index + 1) + "/" + std::to_string(files.size()) + " " +
                                  options.job.partAt(p);
        progress.update((double(index) + p) / double(files.size()), label);
      },
      interrupt.token(),
      [&](const Batch::Result& r) {
        progress.finish();
        printResult(r);
      },
      options.plates);
  progress.finish();

  const auto failed = std::size_t(std::count_if(results.begin(), results.end(), [](auto& r) { return r.error.has_value(); }));
  out << results.size() - failed << " of " << files.size() << " models exported";
  if (failed) out << ", " << failed << " failed";
  if (listing.skippedFolders) out << "; " << skipped();
  out << ".\n";

  // Written also after a stop: the results so far are what the user needs to pick up from.
  int status = interrupt.interrupted() ? interrupt.exitStatus() : failed ? 2 : 0;
  if (options.report) {
    try {
      Batch::writeReport(results, *options.report);
    } catch (const std::exception& e) {
      err << *options.report << ": the report couldn't be written: " << errorText(e) << "\n";
      if (!interrupt.interrupted()) status = 1;
    }
  }
  removeIfEmpty(made);
  if (interrupt.interrupted()) err << "Cancelled after " << results.size() << " of " << files.size() << " models.\n";
  return status;
}

}  // namespace vantorel::cli
