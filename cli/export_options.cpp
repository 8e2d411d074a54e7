#include "export_options.h"

#include "output/output_preset.h"

#include <fstream>
#include <nlohmann/json.hpp>

namespace vantorel::cli {

std::string exportOptionsHelp() {
  std::string text = R"(  --out FOLDER        where the model's new folder is made (required)
  --video             make the turntable video (MP4)
  --gif               make the turntable GIF
  --stills            make the six product shots and the hero shot (PNG)
                      (all three when none of these is given)
  --look FILE         the look as JSON (all thirteen keys)
  --video-spec FILE   the video spec as JSON
  --gif-spec FILE     the GIF spec as JSON
  --stills-spec FILE  the product-shot spec as JSON
  --preset ID         start from an output preset:)";
  for (const auto& p : OutputPreset::all()) text += " " + p.id;
  return text + "\n";
}

std::optional<ModelLoader::PlateChoice> parsePlateChoice(const std::string& text) {
  if (text == "all") return ModelLoader::PlateChoice::allPlates();
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const std::int64_t n = std::stoll(text);
  if (n < 1) return std::nullopt;
  return ModelLoader::PlateChoice::plate(n);
}

std::string plateOptionHelp(std::string_view command) {
  const std::string text = R"(  --plate N|all       a slicer project with several plates: show plate N, or
                      all of them (by default the first plate that holds
                      anything, as the slicer opens it)
)";
  if (command == "render") return text + "                      all draws every plate together in one picture\n";
  return text + R"(                      plate N goes into a folder named "Name plate N"; all
                      makes one such folder per plate
)";
}

namespace {

// Reads and strictly decodes one JSON file; false (with a sentence on `err`) when it can't.
template <class T, class Decode>
bool readJSON(const std::string& file, const char* what, Decode decode, T& value, std::ostream& err) {
  std::ifstream in(file);
  if (!in) {
    err << file << ": the " << what << " file can't be opened.\n";
    return false;
  }
  try {
    value = decode(nlohmann::json::parse(in));
    return true;
  } catch (const nlohmann::json::exception& e) {
    err << file << ": this isn't a valid " << what << " (" << e.what() << ").\n";
    return false;
  }
}

}  // namespace

bool parseExportOptions(const std::vector<std::string>& args, bool allowReport, ExportOptions& options,
                        std::vector<std::string>& rest, std::ostream& err) {
  bool video = false, gif = false, stills = false;
  VideoSpec videoSpec;
  GIFSpec gifSpec;
  StillSpec stillSpec;
  std::optional<std::string> videoFile, gifFile, stillsFile, preset;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {  // the rest are paths, even those that look like options
      rest.insert(rest.end(), args.begin() + std::ptrdiff_t(i), args.end());
      break;
    }
    const bool takesValue = a == "--out" || a == "--look" || a == "--video-spec" || a == "--gif-spec" ||
                            a == "--stills-spec" || a == "--preset" || a == "--plate" ||
                            (allowReport && a == "--report");
    if (takesValue && i + 1 == args.size()) {
      err << a << " needs a value.\n";
      return false;
    }
    if (a == "--out") options.out = args[++i];
    else if (a == "--video") video = true;
    else if (a == "--gif") gif = true;
    else if (a == "--stills") stills = true;
    else if (a == "--video-spec") videoFile = args[++i];
    else if (a == "--gif-spec") gifFile = args[++i];
    else if (a == "--stills-spec") stillsFile = args[++i];
    else if (a == "--preset") preset = args[++i];
    else if (a == "--report" && allowReport) options.report = args[++i];
    else if (a == "--plate") {
      const auto plates = parsePlateChoice(args[++i]);
      if (!plates) {
        err << "--plate takes a plate number (1 or more) or all.\n";
        return false;
      }
      options.plates = *plates;
    }
    else if (a == "--look") {
      Look look;
      if (!readJSON(args[++i], "look", decodeLook, look, err)) return false;
      options.look = look;
    } else rest.push_back(a);
  }
  if (options.out.empty()) {
    err << "--out FOLDER is required.\n";
    return false;
  }
  if (preset) {
    const OutputPreset* found = OutputPreset::byId(*preset);
    if (!found) {
      err << "there is no preset \"" << *preset << "\"; the presets are:";
      for (const auto& p : OutputPreset::all()) err << " " << p.id;
      err << ".\n";
      return false;
    }
    found->apply(videoSpec, gifSpec, stillSpec);
  }
  // Spec files come after the preset, so a file overrides it.
  if (videoFile && !readJSON(*videoFile, "video spec", decodeVideoSpec, videoSpec, err)) return false;
  if (gifFile && !readJSON(*gifFile, "GIF spec", decodeGIFSpec, gifSpec, err)) return false;
  if (stillsFile && !readJSON(*stillsFile, "product-shot spec", decodeStillSpec, stillSpec, err)) return false;
  if (!video && !gif && !stills) video = gif = stills = true;
  if (video) options.job.video = videoSpec;
  if (gif) options.job.gif = gifSpec;
  if (stills) options.job.stills = stillSpec;
  return true;
}

}  // namespace vantorel::cli
