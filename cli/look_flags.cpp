#include "look_flags.h"

#include "staging/filament_color.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

namespace vantorel::cli {

template <class Target>
struct FlagDefinition {
  std::string_view name;         ///< "--finish"
  std::string_view argument;     ///< "NAME"; empty for a switch; "[MM]" for a value that may be left out
  std::string_view description;  ///< what it sets, for --help
  std::string_view noun;         ///< "a finish", as in `"velvet" isn't a finish`
  std::string values;            ///< what it takes, for --help and for errors
  bool (*set)(std::string_view value, Target& target);  ///< false for a value it doesn't take
  bool gifOnly = false;          ///< applied after the flags of the video the GIF follows
};

namespace {

template <Choice T>
std::optional<T> choice(std::string_view text) {
  if constexpr (std::is_same_v<RawOf<T>, std::int64_t>) {
    std::int64_t raw = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), raw);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return fromRaw<T>(raw);
  } else {
    return fromRaw<T>(text);
  }
}

std::optional<double> number(std::string_view text) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::int64_t> wholeNumber(std::string_view text, std::int64_t low, std::int64_t high) {
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
  return value;
}

// A swatch name matches whatever its case, and with hyphens for spaces ("light-gray"), which
// saves quoting it in a shell.
std::optional<RGBA> colour(std::string_view text) {
  if (const auto hex = RGBA::hex(text)) return hex;
  const auto same = [](char a, char b) {
    const auto fold = [](char c) { return c == '-' || c == '_' ? ' ' : char(std::tolower(static_cast<unsigned char>(c))); };
    return fold(a) == fold(b);
  };
  for (const auto& swatch : FilamentColor::builtIn()) {
    if (std::ranges::equal(text, swatch.name, same)) return swatch.color;
  }
  return std::nullopt;
}

std::string colourValues() {
  std::vector<std::string> names;
  for (const auto& swatch : FilamentColor::builtIn()) names.push_back(swatch.name);
  return "#RRGGBB or a swatch: " + alternatives(names);
}

template <class Numbers>
std::string offered(const Numbers& numbers) {
  std::vector<std::string> texts;
  for (const auto n : numbers) {
    char text[32];
    texts.emplace_back(text, std::to_chars(text, text + sizeof text, n).ptr);
  }
  return alternatives(texts);
}

template <Choice T, auto member>
bool setChoice(std::string_view text, Look& look) {
  const auto value = choice<T>(text);
  if (value) look.*member = *value;
  return value.has_value();
}

template <auto member>
bool setColour(std::string_view text, Look& look) {
  const auto value = colour(text);
  if (value) look.*member = *value;
  return value.has_value();
}

template <auto member, bool on>
bool setSwitch(std::string_view, Look& look) {
  look.*member = on;
  return true;
}

const std::vector<FlagDefinition<Look>>& lookDefinitions() {
  static const std::vector<FlagDefinition<Look>> table{
      {"--color", "COLOUR", "the filament colour (where the file gives none, or everywhere with --no-file-colors)", "a colour", colourValues(),
       setColour<&Look::color>},
      {"--finish", "NAME", "the filament's surface", "a finish", rawValues<Finish>(), setChoice<Finish, &Look::finish>},
      {"--layer-lines", "[MM]", "show printed layer lines, MM apart", "a layer height",
       "millimetres above 0, such as " + offered(offeredLayerHeights),
       [](std::string_view text, Look& look) {
         look.layerLines = true;
         if (text.empty()) return true;
         const auto height = number(text);
         if (height && *height > 0) look.layerHeight = *height;
         return height && *height > 0;
       }},
      {"--no-layer-lines", "", "a smooth surface", "", "", setSwitch<&Look::layerLines, false>},
      {"--background", "STYLE", "the backdrop", "a background", rawValues<BackgroundStyle>(),
       setChoice<BackgroundStyle, &Look::background>},
      {"--background-color", "COLOUR", "the colour of the studio sweep or solid backdrop", "a colour", colourValues(),
       setColour<&Look::backgroundColor>},
      {"--lighting", "PRESET", "the light", "a lighting preset", rawValues<LightingPreset>(),
       setChoice<LightingPreset, &Look::lighting>},
      {"--shadow", "", "a shadow on the floor (the default)", "", "", setSwitch<&Look::shadow, true>},
      {"--no-shadow", "", "no shadow on the floor", "", "", setSwitch<&Look::shadow, false>},
      {"--scale-reference", "REF", "beside the model", "a scale reference", rawValues<ScaleReference>(),
       setChoice<ScaleReference, &Look::scaleReference>},
      {"--orientation", "WAY", "which way the model stands", "an orientation", rawValues<Orientation>(),
       setChoice<Orientation, &Look::orientation>},
      {"--camera", "ANGLE", "the camera's height", "a camera angle", rawValues<CameraAngle>(),
       setChoice<CameraAngle, &Look::camera>},
      {"--start-turn", "DEG", "the model's turn at the first frame", "an angle", "a number of degrees",
       [](std::string_view text, Look& look) {
         const auto degrees = number(text);
         if (degrees) look.startAngle = *degrees;
         return degrees.has_value();
       }},
      {"--file-colors", "", "show the file's own colours where it has some (the default)", "", "",
       setSwitch<&Look::useFileColors, true>},
      {"--no-file-colors", "", "show every part in --color", "", "", setSwitch<&Look::useFileColors, false>},
  };
  return table;
}

std::string secondsValues() {
  using namespace SpecLimits;
  return "whole seconds from " + std::to_string(kMinSeconds) + " to " + std::to_string(kMaxSeconds);
}

const std::vector<FlagDefinition<OutputSpecs>>& specDefinitions() {
  using namespace SpecLimits;
  static const std::vector<FlagDefinition<OutputSpecs>> table{
      {"--seconds", "N", "the length of one turn of the video and GIF", "a length", secondsValues(),
       [](std::string_view text, OutputSpecs& specs) {
         const auto seconds = wholeNumber(text, kMinSeconds, kMaxSeconds);
         if (seconds) specs.video.seconds = specs.gif.seconds = *seconds;
         return seconds.has_value();
       }},
      {"--aspect", "A", "the shape of the video, GIF and shots", "an aspect", rawValues<Aspect>(),
       [](std::string_view text, OutputSpecs& specs) {
         const auto aspect = choice<Aspect>(text);
         if (aspect) specs.video.aspect = specs.gif.aspect = specs.stills.aspect = *aspect;
         return aspect.has_value();
       }},
      {"--resolution", "N", "the short side of the video and shots in pixels", "a resolution", rawValues<Resolution>(),
       [](std::string_view text, OutputSpecs& specs) {
         const auto resolution = choice<Resolution>(text);
         if (resolution) specs.video.resolution = specs.stills.resolution = *resolution;
         return resolution.has_value();
       }},
      {"--codec", "NAME", "the video's compression", "a codec", rawValues<VideoCodec>(),
       [](std::string_view text, OutputSpecs& specs) {
         const auto codec = choice<VideoCodec>(text);
         if (codec) specs.video.codec = *codec;
         return codec.has_value();
       }},
      {"--clockwise", "", "turn the video clockwise", "", "",
       [](std::string_view, OutputSpecs& specs) { return specs.video.clockwise = true; }},
      {"--gif-size", "N", "the GIF's short side in pixels", "a GIF size",
       "a whole number from " + std::to_string(kMinGIFShortSide) + " to " + std::to_string(kMaxGIFShortSide) +
           " (offered: " + offered(GIFSpec::sizes) + ")",
       [](std::string_view text, OutputSpecs& specs) {
         const auto side = wholeNumber(text, kMinGIFShortSide, kMaxGIFShortSide);
         if (side) specs.gif.shortSide = *side;
         return side.has_value();
       },
       true},
      {"--gif-fps", "N", "the GIF's frames a second", "a frame rate",
       "a whole number from " + std::to_string(kMinFPS) + " to " + std::to_string(kMaxGIFFPS),
       [](std::string_view text, OutputSpecs& specs) {
         const auto fps = wholeNumber(text, kMinFPS, kMaxGIFFPS);
         if (fps) specs.gif.fps = *fps;
         return fps.has_value();
       },
       true},
      {"--gif-seconds", "N", "the GIF's length, when it shouldn't follow the video", "a length", secondsValues(),
       [](std::string_view text, OutputSpecs& specs) {
         const auto seconds = wholeNumber(text, kMinSeconds, kMaxSeconds);
         if (seconds) specs.gif.seconds = *seconds;
         return seconds.has_value();
       },
       true},
  };
  return table;
}

template <class Target>
const std::vector<FlagDefinition<Target>>& definitions() {
  if constexpr (std::is_same_v<Target, Look>) return lookDefinitions();
  else return specDefinitions();
}

// Two spaces, the flag padded to 20 columns, then the text wrapped to 78 columns.
std::string helpEntry(std::string left, std::string_view text) {
  constexpr std::size_t column = 22, width = 78;
  std::string out = "  " + left;
  std::size_t lineStart = 0;
  if (out.size() + 1 >= column) {
    out += "\n";
    lineStart = out.size();
  }
  out.append(column - (out.size() - lineStart), ' ');
  while (!text.empty()) {
    const auto space = text.find(' ');
    const auto word = text.substr(0, space);
    if (out.size() - lineStart > column && out.size() - lineStart + 1 + word.size() > width) {
      out += "\n";
      lineStart = out.size();
      out.append(column, ' ');
    } else if (out.size() - lineStart > column) {
      out += ' ';
    }
    out += word;
    text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
  }
  return out + "\n";
}

}  // namespace

template <class Target>
bool Flags<Target>::read(const std::vector<std::string>& args, std::size_t& i, std::string& error) {
  const auto& table = definitions<Target>();
  const auto flag = std::ranges::find(table, std::string_view(args[i]), &FlagDefinition<Target>::name);
  if (flag == table.end()) return false;
  std::string value;
  const bool hasNext = i + 1 < args.size();
  if (flag->argument.starts_with('[')) {
    // A value that may be left out is taken only when it reads as a number, so that a path after
    // the flag stays a path; a wrong number is still refused below.
    if (hasNext && number(args[i + 1])) value = args[++i];
  } else if (!flag->argument.empty()) {
    if (!hasNext) {
      error = std::string(flag->name) + " needs a value; use " + flag->values + ".";
      return true;
    }
    value = args[++i];
  }
  Target scratch{};
  if (!flag->set(value, scratch)) {
    error = std::string(flag->name) + " \"" + value + "\" isn't " + std::string(flag->noun) + "; use " + flag->values + ".";
    return true;
  }
  given_.push_back({&*flag, std::move(value)});
  return true;
}

template <class Target>
void Flags<Target>::applyTo(Target& target) const {
  for (const bool gifOnly : {false, true}) {
    for (const auto& g : given_) {
      if (g.flag->gifOnly == gifOnly) g.flag->set(g.value, target);
    }
  }
}

template <class Target>
std::string Flags<Target>::help() {
  std::string text;
  for (const auto& flag : definitions<Target>()) {
    std::string left(flag.name);
    if (!flag.argument.empty()) left += " " + std::string(flag.argument);
    std::string line(flag.description);
    if (!flag.values.empty()) line += ": " + flag.values;
    text += helpEntry(left, line);
  }
  return text;
}

std::string alternatives(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " or " : ", ";
    text += items[i];
  }
  return text;
}

template class Flags<Look>;
template class Flags<OutputSpecs>;

std::string lookFileHelp() {
  return helpEntry("--look FILE", "a look as JSON (all thirteen keys, as vantorel-cli look prints); the flags "
                                  "below change it");
}

}  // namespace vantorel::cli
