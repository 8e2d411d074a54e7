#include "command_support.h"
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

#include <iostream>

namespace vantorel::cli {

namespace fs = std::filesystem;

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
  if (!parseExportOptions(args, options, rest, err)) return exitUsage;
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

  const std::jthread driver = Studio::prepare();  // loads while the model is read
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

}  // namespace vantorel::cli
