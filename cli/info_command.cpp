#include "commands.h"
#include "model_facts.h"
#include "sample_names.h"

#include "base/error.h"
#include "input/model_loader.h"
#include "input/sample_models.h"

#include <filesystem>
#include <iostream>

namespace vantorel::cli {
namespace {

std::string infoHelp() {
  const std::string samples = sampleAlternatives();
  return "Usage: vantorel-cli info [--json] [--orientation WAY] PATH...\n"
         "       vantorel-cli info [--json] [--orientation WAY] --sample " + samples + "\n\n" +
         R"(Prints the facts of each model: name, format, unit, objects (id, name,
triangles, colour), total triangles and vertices, palette, a slicer project's
plates (number, name, objects; the one shown marked) and notes, then the
staged size (width x depth x height in mm and inches) and, when that size
suggests another unit, the scale warning with the factor that would fix it.

Options:
  --sample NAME  )" +
         wrapped("use a built-in sample: " + sampleChoices(true) + "; may be given more than once", 17, 17) +
         R"(
  --orientation WAY
                 which way the model stands for the size: asPrinted (the
                 default), standUp, onSide, upsideDown or yUp
  --json         one JSON object per model and line, for scripts (size_mm,
                 scale_check and suggested_factor carry the staged facts)
  -h, --help     show this help

A file that can't be read is reported on standard error and the exit status
is 1; the other models are still reported.
)";
}

struct Source {
  std::string path;    // empty for a sample
  std::string sample;  // a sample's identifier
};

}  // namespace

int info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  bool json = false;
  Orientation orientation = Orientation::asPrinted;
  std::vector<Source> sources;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help") {
      out << infoHelp();
      return 0;
    } else if (a == "--json") {
      json = true;
    } else if (a == "--orientation") {
      const auto parsed = i + 1 < args.size() ? fromRaw<Orientation>(args[i + 1]) : std::nullopt;
      if (!parsed) {
        err << "vantorel-cli info: --orientation takes asPrinted, standUp, onSide, upsideDown or yUp.\n";
        return exitUsage;
      }
      orientation = *parsed;
      ++i;
    } else if (a == "--sample") {
      if (i + 1 == args.size() || !isSample(args[i + 1])) {
        err << "vantorel-cli info: --sample takes " << sampleChoices() << ".\n";
        return exitUsage;
      }
      sources.push_back({{}, args[++i]});
    } else if (a == "--") {
      for (++i; i < args.size(); ++i) sources.push_back({args[i], {}});
    } else if (a.starts_with("-") && a != "-") {
      err << "vantorel-cli info: unknown option " << a << ". See vantorel-cli info --help.\n";
      return exitUsage;
    } else {
      sources.push_back({a, {}});
    }
  }
  if (sources.empty()) {
    err << "vantorel-cli info: name a model file or a sample. See vantorel-cli info --help.\n";
    return exitUsage;
  }

  int status = 0;
  bool first = true;
  for (const auto& source : sources) {
    PrintModel model;
    try {
      model = source.sample.empty() ? ModelLoader::load(std::filesystem::path(source.path))
                                    : *SampleModels::byId(source.sample);
    } catch (const std::exception& e) {
      err << (source.path.empty() ? source.sample : source.path) << ": " << errorText(e) << "\n";
      status = 1;
      continue;
    }
    if (json) {
      out << modelFacts(model, source.path, orientation).dump() << "\n";
    } else {
      if (!first) out << "\n";
      out << modelFactsText(model, source.path, orientation);
    }
    first = false;
  }
  return status;
}

}  // namespace vantorel::cli
