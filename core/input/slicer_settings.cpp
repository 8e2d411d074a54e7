#include "input/slicer_settings.h"

#include "input/load_error.h"
#include "base/utf8.h"
#include "input/xml_scanner.h"

#include <nlohmann/json.hpp>

namespace vantorel {
namespace {

const RGBA kGrey{0.8, 0.8, 0.8, 1};

std::string_view textOf(std::span<const std::byte> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::optional<std::int64_t> integerText(const std::optional<std::string>& text) {
  return text ? XMLScanner::parseInteger(*text) : std::nullopt;
}

// Settings lists: "; key = a;b;c" with pieces trimmed of spaces and double quotes.
std::optional<std::vector<RGBA>> colourList(std::string_view line, std::string_view key) {
  const std::string prefix = "; " + std::string(key) + " =";
  if (!line.starts_with(prefix)) return std::nullopt;
  std::string_view rest = line.substr(prefix.size());
  std::vector<RGBA> colours;
  while (!rest.empty()) {
    const std::size_t semi = rest.find(';');
    const std::string_view piece = rest.substr(0, semi);
    rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
    if (piece.empty()) continue;
    colours.push_back(RGBA::hex(trim(piece, " \"")).value_or(kGrey));
  }
  return colours;
}

}  // namespace

const RGBA* SlicerSettings::extruderColour(std::int64_t e) const {
  const std::int64_t slot = e < 1 ? 0 : e - 1;
  return std::uint64_t(slot) < filamentColours.size() ? &filamentColours[std::size_t(slot)] : nullptr;
}

namespace {
// An object's own "name" and "extruder" entries, written alike by both slicers' model files.
void objectMetadata(SlicerSettings& read, std::int64_t object, const std::string& key, const std::string& value) {
  if (key == "name") {
    read.objectNames[object] = value;
  } else if (key == "extruder") {
    if (const auto e = integerText(value)) read.objectExtruders[object] = *e;
  }
}
}  // namespace

void SlicerSettings::readProjectSettings(std::span<const std::byte> bytes, SlicerSettings& s) {
  const auto text = textOf(bytes);
  const auto json = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
  if (json.is_discarded() || !json.is_object()) return;
  auto list = json.find("filament_colour");
  if (list == json.end()) list = json.find("filament_color");
  if (list == json.end() || !list->is_array()) return;
  std::vector<RGBA> colours;
  for (const auto& item : *list) {
    const auto colour = item.is_string() ? RGBA::hex(item.get<std::string>()) : std::nullopt;
    colours.push_back(colour.value_or(kGrey));
  }
  s.filamentColours = std::move(colours);
}

void SlicerSettings::readModelSettings(std::span<const std::byte> bytes, SlicerSettings& s) {
  SlicerSettings read = s;
  std::optional<std::int64_t> object, part;
  bool inPlate = false, inInstance = false, partKept = false;
  std::optional<std::int64_t> instanceObject, instanceNumber;
  std::size_t entries = 0;
  const auto closeInstance = [&] {
    if (inPlate && instanceObject && instanceNumber && entries < kMaxEntries) {
      read.plates.back().instances.emplace_back(*instanceObject, *instanceNumber);
      ++entries;
    }
    inInstance = false;
    instanceObject.reset();
    instanceNumber.reset();
  };
  try {
    XMLScanner::scan(bytes, [&](const XMLScanner::XMLTag& t) {
      const auto name = XMLScanner::localName(t.name);
      if (name == "object") {
        object = t.isEndTag || t.isEmptyElement ? std::nullopt : XMLScanner::integerAttribute(t, "id");
        part.reset();
      } else if (name == "part") {
        part = t.isEndTag || t.isEmptyElement ? std::nullopt : XMLScanner::integerAttribute(t, "id");
        partKept = !t.isEndTag && object && entries < kMaxEntries;
        if (partKept) {
          read.partsInOrder[*object].emplace_back();
          ++entries;
        }
      } else if (name == "plate") {
        closeInstance();
        object.reset();
        part.reset();
        inPlate = !t.isEndTag && !t.isEmptyElement && entries < kMaxEntries;
        if (inPlate) {
          read.plates.emplace_back();
          ++entries;
        }
      } else if (name == "model_instance") {
        closeInstance();
        inInstance = inPlate && !t.isEndTag && !t.isEmptyElement;
      } else if (name == "metadata" && !t.isEndTag && (object || inPlate)) {
        const auto key = XMLScanner::textAttribute(t, "key");
        const auto value = XMLScanner::textAttribute(t, "value");
        if (!key || !value) return;
        if (inInstance) {
          if (*key == "object_id") instanceObject = integerText(value);
          else if (*key == "instance_id") instanceNumber = integerText(value);
        } else if (inPlate) {
          if (*key == "plater_id") read.plates.back().number = integerText(value);
          else if (*key == "plater_name") read.plates.back().name = *value;
        } else if (part) {
          if (*key == "extruder") {
            if (const auto e = integerText(value)) {
              read.partExtruders[{*object, *part}] = *e;
              if (partKept) read.partsInOrder[*object].back() = *e;
            }
          }
        } else {
          objectMetadata(read, *object, *key, *value);
        }
      }
    });
  } catch (const LoadError&) {
    return;
  }
  closeInstance();
  s = std::move(read);
}

void SlicerSettings::readSlic3rConfig(std::span<const std::byte> bytes, SlicerSettings& s) {
  std::optional<std::vector<RGBA>> extruder, filament;
  std::string_view rest = textOf(bytes);
  while (!rest.empty()) {
    const std::size_t lf = rest.find('\n');
    const std::string_view line = trim(rest.substr(0, lf));
    rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    if (auto c = colourList(line, "extruder_colour")) extruder = std::move(c);
    else if (auto f = colourList(line, "filament_colour")) filament = std::move(f);
  }
  const bool extruderSet = extruder && std::any_of(extruder->begin(), extruder->end(),
                                                   [](const RGBA& c) { return c != kGrey; });
  if (extruderSet) s.filamentColours = std::move(*extruder);
  else if (filament) s.filamentColours = std::move(*filament);
}

void SlicerSettings::readSlic3rModelConfig(std::span<const std::byte> bytes, SlicerSettings& s) {
  SlicerSettings read = s;
  std::optional<std::int64_t> object;
  std::optional<Volume> volume;
  bool volumeHasExtruder = false;
  const auto closeVolume = [&] {
    if (volume && object && volumeHasExtruder) read.volumes[*object].push_back(*volume);
    volume.reset();
  };
  try {
    XMLScanner::scan(bytes, [&](const XMLScanner::XMLTag& t) {
      const auto name = XMLScanner::localName(t.name);
      if (name == "object") {
        closeVolume();
        object = t.isEndTag || t.isEmptyElement ? std::nullopt : XMLScanner::integerAttribute(t, "id");
      } else if (name == "volume") {
        closeVolume();
        if (t.isEndTag || t.isEmptyElement) return;
        const auto first = XMLScanner::integerAttribute(t, "firstid");
        const auto last = XMLScanner::integerAttribute(t, "lastid");
        if (first && last) volume = Volume{*first, *last, 0};
        volumeHasExtruder = false;
      } else if (name == "metadata" && !t.isEndTag && object) {
        const auto key = XMLScanner::textAttribute(t, "key");
        const auto value = XMLScanner::textAttribute(t, "value");
        if (!key || !value) return;
        if (volume) {
          if (*key != "extruder") return;
          if (const auto e = integerText(value)) {
            volume->extruder = *e;
            volumeHasExtruder = true;
          }
        } else {
          objectMetadata(read, *object, *key, *value);
        }
      }
    });
  } catch (const LoadError&) {
    return;
  }
  closeVolume();
  s = std::move(read);
}

SlicerSettings SlicerSettings::read(const ZipReader& zip) {
  SlicerSettings s;
  const auto readEntry = [&](std::string_view path, void (*parse)(std::span<const std::byte>, SlicerSettings&)) {
    if (!zip.contains(path)) return;
    try {
      const UnpackedBytes bytes = zip.read(path);
      parse(bytes.bytes(), s);
    } catch (const LoadError&) {
      // An unreadable settings entry is no reason to refuse the model.
    }
  };
  readEntry("Metadata/project_settings.config", readProjectSettings);
  readEntry("Metadata/model_settings.config", readModelSettings);
  if (s.filamentColours.empty()) readEntry("Metadata/Slic3r_PE.config", readSlic3rConfig);
  readEntry("Metadata/Slic3r_PE_model.config", readSlic3rModelConfig);
  return s;
}

}  // namespace vantorel
