#include "commands.h"
#include "export_options.h"
#include "interrupt.h"
#include "progress_display.h"
#include "sample_names.h"

#include "base/error.h"
#include "input/model_loader.h"
#include "input/sample_models.h"
#include "output/batch.h"
#include "output/cancelled.h"
#include "output/exporter.h"

#include <algorithm>
#include <iostream>

namespace vantorel::cli {
namespace {

constexpr int exitCancelled = 130;

// Makes --out when it is missing: naming a folder that doesn't exist yet is a clear enough wish.
bool ensureFolder(const std::string& out, std::ostream& err) {
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  if (ec || !std::filesystem::is_directory(out)) {
    err << out << ": the output folder can't be made (" << (ec ? ec.message() : "not a folder") << ").\n";
    return false;
  }
  return true;
}

}  // namespace

int exportModel(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  for (const auto& a : args) {
    if (a == "-h" || a == "--help") {
      out << "Usage: vantorel-cli export PATH|--sample " << sampleAlternatives() << " --out FOLDER [OPTIONS]\n\n"
             "Makes a new folder named for the model inside FOLDER (never an existing one)\n"
             "and writes the listing media into it.\n\nOptions:\n"
          << exportOptionsHelp()
          << "  -h, --help          show this help\n\n"
             "Ctrl+C stops cleanly: the file being written is removed. The exit status is\n"
             "1 when the model can't be read or exported, 130 when cancelled, 64 for a\n"
             "usage error.\n";
      return 0;
    }
  }
  ExportOptions options;
  std::vector<std::string> rest;
  if (!parseExportOptions(args, false, options, rest, err)) return exitUsage;
  std::string path, sample;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == "--sample" && i + 1 < rest.size() && isSample(rest[i + 1])) {
      sample = rest[++i];
    } else if (rest[i].starts_with("-") || !path.empty()) {
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

  PrintModel model;
  try {
    model = sample.empty() ? ModelLoader::load(path) : *SampleModels::byId(sample);
  } catch (const std::exception& e) {
    err << (path.empty() ? sample : path) << ": " << errorText(e) << "\n";
    return 1;
  }
  const Look look = options.look ? *options.look : defaultLook(model);
  if (!ensureFolder(options.out, err)) return 1;

  InterruptToStop interrupt;
  ProgressDisplay progress(stderr);
  std::filesystem::path folder;
  try {
    const std::string name = model.name;
    auto studio = Studio::create(std::move(model), look);
    folder = Exporter::newFolder(options.out, name);
    const auto written = Exporter::run(
        options.job, *studio, folder, Batch::safeName(name),
        [&](double p) { progress.update(p, options.job.partAt(p)); }, interrupt.token());
    progress.finish();
    out << "Wrote " << written.size() << (written.size() == 1 ? " file" : " files") << " to " << folder.string()
        << ":\n";
    for (const auto& file : written) out << "  " << file.filename().string() << "\n";
    return 0;
  } catch (const Cancelled&) {
    progress.finish();
    if (!folder.empty()) Exporter::removeIfEmpty(folder);
    err << "Cancelled. The file being written was removed.\n";
    return exitCancelled;
  } catch (const std::exception& e) {
    progress.finish();
    if (!folder.empty()) Exporter::removeIfEmpty(folder);
    err << (path.empty() ? sample : path) << ": " << errorText(e) << "\n";
    return 1;
  }
}

int batch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  for (const auto& a : args) {
    if (a == "-h" || a == "--help") {
      out << "Usage: vantorel-cli batch FOLDER --out FOLDER [OPTIONS]\n\n"
             "Exports every model file (STL, 3MF, OBJ) in FOLDER and its subfolders, one\n"
             "after another, each into a new folder of its own inside --out.\n\nOptions:\n"
          << exportOptionsHelp()
          << "  --report FILE       write the results (source, outputs, error) as JSON\n"
             "  -h, --help          show this help\n\n"
             "The exit status is 0 when every model was exported, 2 when some failed,\n"
             "130 when cancelled with Ctrl+C, 64 for a usage error.\n";
      return 0;
    }
  }
  ExportOptions options;
  std::vector<std::string> rest;
  if (!parseExportOptions(args, true, options, rest, err)) return exitUsage;
  if (rest.size() != 1 || rest[0].starts_with("-")) {
    err << "vantorel-cli batch: name one folder of models. See vantorel-cli batch --help.\n";
    return exitUsage;
  }
  const std::filesystem::path source = rest[0];
  if (!std::filesystem::is_directory(source)) {
    err << source.string() << ": this isn't a folder.\n";
    return 1;
  }
  // Check the report's place first: finding out after an hour of rendering would be worse.
  if (options.report && std::filesystem::exists(*options.report)) {
    err << *options.report << ": already exists, so it wasn't replaced. Choose another name.\n";
    return 1;
  }
  const auto files = ModelLoader::files(source);
  if (files.empty()) {
    out << "No model files in " << source.string() << ".\n";
    return 0;
  }
  if (!ensureFolder(options.out, err)) return 1;

  InterruptToStop interrupt;
  ProgressDisplay progress(stderr);
  const Look look = options.look.value_or(Look{});
  const auto printResult = [&](const Batch::Result& r) {
    const auto name = std::filesystem::relative(r.source, source).string();
    if (r.error) {
      out << "failed  " << name << ": " << *r.error << "\n";
    } else {
      const auto folder = r.outputs.empty() ? std::string() : r.outputs.front().parent_path().string();
      out << "ok      " << name << " -> " << folder << " (" << r.outputs.size() << " files)\n";
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
      interrupt.token(), [&](const Batch::Result& r) {
        progress.finish();
        printResult(r);
      });
  progress.finish();

  const auto failed = std::size_t(std::count_if(results.begin(), results.end(), [](auto& r) { return r.error.has_value(); }));
  out << results.size() - failed << " of " << files.size() << " models exported";
  if (failed) out << ", " << failed << " failed";
  out << ".\n";

  if (options.report) {
    try {
      Batch::writeReport(results, *options.report);
    } catch (const std::exception& e) {
      err << *options.report << ": the report couldn't be written: " << errorText(e) << "\n";
      return 1;
    }
  }
  if (interrupt.interrupted()) {
    err << "Cancelled after " << results.size() << " of " << files.size() << " models.\n";
    return exitCancelled;
  }
  return failed ? 2 : 0;
}

}  // namespace vantorel::cli
