#include "export_options.h"
#include "look_flags.h"

#include "output/output_preset.h"

namespace vantorel::cli {

std::string exportOptionsHelp() {
  std::string text = R"(  --out FOLDER        where the model's new folder is made (required)
  --video             make the turntable video (MP4)
  --gif               make the turntable GIF
  --stills            make the six product shots and the hero shot (PNG)
                      (all three when none of these is given)
  --preset ID         start from an output preset:)";
  for (const auto& p : OutputPreset::all()) text += " " + p.id;
  return text + R"(
  --video-spec FILE   the video spec as JSON (over the preset)
  --gif-spec FILE     the GIF spec as JSON
  --stills-spec FILE  the product-shot spec as JSON

Output flags, over the preset and the settings files above:
)" + SpecFlags::help() +
         "\nLook flags, over each model's default look or the --look file:\n" + lookFileHelp() + LookFlags::help() +
         "\nOther options:\n";
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

bool parseExportOptions(const std::vector<std::string>& args, ExportOptions& options, std::vector<std::string>& rest,
                        std::ostream& err) {
  bool video = false, gif = false, stills = false;
  OutputSpecs specs;
  std::optional<std::string> videoFile, gifFile, stillsFile, preset, lookFile;
  LookFlags lookFlags;
  SpecFlags specFlags;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {  // the rest are paths, even those that look like options
      rest.insert(rest.end(), args.begin() + std::ptrdiff_t(i), args.end());
      break;
    }
    std::string wrong;
    if (lookFlags.read(args, i, wrong) || specFlags.read(args, i, wrong)) {
      if (wrong.empty()) continue;
      err << wrong << "\n";
      return false;
    }
    const bool takesValue = a == "--out" || a == "--look" || a == "--video-spec" || a == "--gif-spec" ||
                            a == "--stills-spec" || a == "--preset" || a == "--plate";
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
    else if (a == "--plate") {
      const auto plates = parsePlateChoice(args[++i]);
      if (!plates) {
        err << "--plate takes a plate number (1 or more) or all.\n";
        return false;
      }
      options.plates = *plates;
    }
    else if (a == "--look") lookFile = args[++i];
    else rest.push_back(a);
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
    found->apply(specs.video, specs.gif, specs.stills);
  }
  // Spec files come after the preset, so a file overrides it, and the flags after both.
  if (videoFile && !readJSONFile(*videoFile, "video spec", decodeVideoSpec, specs.video, err)) return false;
  if (gifFile && !readJSONFile(*gifFile, "GIF spec", decodeGIFSpec, specs.gif, err)) return false;
  if (stillsFile && !readJSONFile(*stillsFile, "product-shot spec", decodeStillSpec, specs.stills, err)) return false;
  specFlags.applyTo(specs);
  if (lookFile || !lookFlags.empty()) {
    Look look;
    if (lookFile && !readJSONFile(*lookFile, "look", decodeLook, look, err)) return false;
    lookFlags.applyTo(look);
    options.look = look;
  }
  if (!video && !gif && !stills) video = gif = stills = true;
  if (video) options.job.video = specs.video;
  if (gif) options.job.gif = specs.gif;
  if (stills) options.job.stills = specs.stills;
  return true;
}

}  // namespace vantorel::cli
