#include "commands.h"
#include "export_options.h"
#include "look_flags.h"
#include "sample_names.h"

#include "base/error.h"
#include "input/load_error.h"
#include "input/model_loader.h"
#include "input/sample_models.h"
#include "output/export_size.h"
#include "output/png_writer.h"
#include "staging/look.h"
#include "studio/studio.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>
#include <numbers>
#include <optional>

namespace vantorel::cli {
namespace {

std::string renderHelp() {
  return "Usage: vantorel-cli render PATH|--sample " + sampleAlternatives() + " --out shot.png [OPTIONS]\n\n" +
         R"(Renders one picture of the model in the studio and writes it as a PNG.

Options:
  --out FILE          where to write the PNG (required; replaced if it exists)
  --sample NAME       use a built-in sample: )" + sampleChoices() + R"(
  --size WxH          picture size in pixels, each 1 to 3840 (default 1080x1080)
  --aspect A          )" + rawValues<Aspect>() + R"(, with
  --resolution N      the short side in pixels, 16 to 4320 (default 1080)
  --turn DEG          turn of the turntable in degrees (default 0)
  --elevation DEG     camera elevation in degrees (default: the look's camera)
  --tight             frame the model as it stands instead of its whole turn
  --timings           print the milliseconds of each rendering pass
)" + plateOptionHelp("render") + R"(  -h, --help          show this help

Look flags, over the model's default look or the --look file:
)" + lookFileHelp() + LookFlags::help() + R"(
The exit status is 1 when the model can't be read or nothing can be drawn,
64 for a usage error.
)";
}

std::optional<double> number(const std::string& text) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::pair<int, int>> parseSize(const std::string& text) {
  const auto x = text.find('x');
  if (x == std::string::npos) return std::nullopt;
  int w = 0, h = 0;
  const auto a = std::from_chars(text.data(), text.data() + x, w);
  const auto b = std::from_chars(text.data() + x + 1, text.data() + text.size(), h);
  if (a.ec != std::errc() || a.ptr != text.data() + x || b.ec != std::errc() || b.ptr != text.data() + text.size())
    return std::nullopt;
  if (w < 1 || h < 1 || w > Studio::kLargestSide || h > Studio::kLargestSide) return std::nullopt;
  return std::pair{w, h};
}

}  // namespace

int render(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string path, sample, output, lookFile;
  std::optional<std::pair<int, int>> size;
  std::optional<Aspect> aspect;
  std::optional<int> resolution;
  double turn = 0;
  std::optional<float> elevation;
  bool tight = false, timings = false;
  ModelLoader::PlateChoice plates;
  LookFlags lookFlags;
  auto usage = [&](const std::string& message) {
    err << "vantorel-cli render: " << message << "\n";
    return exitUsage;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (std::string wrong; lookFlags.read(args, i, wrong)) {
      if (!wrong.empty()) return usage(wrong);
    } else if (a == "-h" || a == "--help") {
      out << renderHelp();
      return 0;
    } else if (a == "--out" && hasValue) {
      output = args[++i];
    } else if (a == "--sample") {
      if (!hasValue || !isSample(args[i + 1])) return usage("--sample takes " + sampleChoices() + ".");
      sample = args[++i];
    } else if (a == "--size") {
      if (!hasValue || !(size = parseSize(args[i + 1]))) return usage("--size takes WIDTHxHEIGHT, each 1 to " + std::to_string(Studio::kLargestSide) + ".");
      ++i;
    } else if (a == "--aspect") {
      if (!hasValue || !(aspect = fromRaw<Aspect>(args[i + 1])))
        return usage("--aspect takes " + rawValues<Aspect>() + ".");
      ++i;
    } else if (a == "--resolution") {
      const auto n = hasValue ? number(args[i + 1]) : std::nullopt;
      if (!n || *n < 16 || *n > 4320 || *n != std::floor(*n)) return usage("--resolution takes a short side in pixels.");
      resolution = int(*n);
      ++i;
    } else if (a == "--turn" || a == "--elevation") {
      const auto n = hasValue ? number(args[i + 1]) : std::nullopt;
      if (!n) return usage(a + " takes a number of degrees.");
      if (a == "--turn") turn = *n;
      else elevation = float(*n);
      ++i;
    } else if (a == "--look" && hasValue) {
      lookFile = args[++i];
    } else if (a == "--plate") {
      const auto choice = hasValue ? parsePlateChoice(args[i + 1]) : std::nullopt;
      if (!choice) return usage("--plate takes a plate number (1 or more) or all.");
      plates = *choice;
      ++i;
    } else if (a == "--tight") {
      tight = true;
    } else if (a == "--timings") {
      timings = true;
    } else if (a == "--") {  // the one path after it may look like an option
      if (i + 2 < args.size() || !path.empty()) return usage("name one model.");
      if (i + 1 < args.size()) path = args[++i];
    } else if (a.starts_with("-")) {
      return usage("unknown option \"" + a + "\". See vantorel-cli render --help.");
    } else if (path.empty()) {
      path = a;
    } else {
      return usage("name one model.");
    }
  }
  if (path.empty() == sample.empty()) return usage("name one model file or one sample.");
  if (output.empty()) return usage("--out FILE is required.");
  if (size && (aspect || resolution)) return usage("give --size or --aspect with --resolution, not both.");
  int width = 1080, height = 1080;
  if (size) {
    std::tie(width, height) = *size;
  } else if (aspect || resolution) {
    const PixelSize pixels = ExportSize::pixels(aspect.value_or(Aspect::square), resolution.value_or(1080));
    width = int(pixels.width);
    height = int(pixels.height);
    if (std::max(width, height) > Studio::kLargestSide) {
      return usage("--aspect with --resolution gives " + pixels.label() + "; each side may be at most " +
                   std::to_string(Studio::kLargestSide) + ".");
    }
  }

  std::optional<Look> look;
  if (!lookFile.empty() && !readJSONFile(lookFile, "look", decodeLook, look.emplace(), err)) return 1;

  const std::jthread driver = Studio::prepare();  // loads while the model is read
  PrintModel model;
  try {
    if (!sample.empty() && plates.kind == ModelLoader::PlateChoice::Kind::one) throw LoadError::noPlate(plates.number, 0);
    model = sample.empty() ? ModelLoader::load(std::filesystem::path(path), plates) : *SampleModels::byId(sample);
  } catch (const std::exception& e) {
    err << (path.empty() ? sample : path) << ": " << errorText(e) << "\n";
    return 1;
  }
  if (!look) look = defaultLook(model);
  lookFlags.applyTo(*look);

  try {
    auto studio = Studio::create(std::move(model), *look);
    RenderTimings passes;
    const auto image = studio->render(width, height, float(turn * std::numbers::pi / 180.0), elevation,
                                      tight ? FramingMode::tight : FramingMode::turntable, true, timings ? &passes : nullptr);
    if (!image) {
      err << "vantorel-cli render: the picture couldn't be made.\n";
      return 1;
    }
    PNGWriter::write(*image, output, /*replacing=*/true);
    if (timings) {
      err << "renderer: " << studio->rendererName() << "\n"
          << "shadow " << passes.shadow << " ms, colour " << passes.colour << " ms, resolve " << passes.resolve
          << " ms, read-back " << passes.readBack << " ms, composite " << passes.composite << " ms, total "
          << passes.total() << " ms\n";
    }
  } catch (const StudioError& e) {
    err << "vantorel-cli render: " << e.userText() << "\n";
    return 1;
  } catch (const std::exception& e) {
    err << output << ": " << errorText(e) << "\n";
    return 1;
  }
  return 0;
}

}  // namespace vantorel::cli
