#pragma once
// The colour-related settings that common slicers store inside a 3MF package: filament colours,
// per-object names and extruders, per-part extruders, per-volume triangle ranges, and the plates of
// projects that keep several in one file.
#include "base/rgba.h"
#include "input/zip_reader.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantorel {

struct SlicerSettings {
  /// A range of an object's triangles (inclusive, counted within its mesh) printed by one extruder.
  struct Volume {
    std::int64_t firstID = 0;
    std::int64_t lastID = 0;
    std::int64_t extruder = 0;
    bool operator==(const Volume&) const = default;
  };

  std::vector<RGBA> filamentColours;  ///< extruder e (1-based) prints filament e - 1
  std::map<std::int64_t, std::string> objectNames;
  std::map<std::int64_t, std::int64_t> objectExtruders;
  /// (object id, id of the object a component of it places) → extruder.
  std::map<std::pair<std::int64_t, std::int64_t>, std::int64_t> partExtruders;
  /// Each object's `<part>` entries in file order, with the extruder each gives. A part copied in
  /// the slicer repeats its id, so only the position tells the copies apart.
  std::map<std::int64_t, std::vector<std::optional<std::int64_t>>> partsInOrder;
  std::map<std::int64_t, std::vector<Volume>> volumes;

  /// One plate of the project: the object instances on it (object id, instance number counted
  /// from 0 over the build items placing that object).
  struct Plate {
    std::optional<std::int64_t> number;
    std::string name;
    std::vector<std::pair<std::int64_t, std::int64_t>> instances;
    bool operator==(const Plate&) const = default;
  };
  std::vector<Plate> plates;

  /// The most parts, plates and plate instances kept from one file; more are ignored, so that a
  /// hostile settings entry can't take more memory than a few times its own size.
  static constexpr std::size_t kMaxEntries = 100'000;

  /// The colour of extruder `e` (below 1 counts as 1), or nothing beyond the colour list.
  const RGBA* extruderColour(std::int64_t e) const;

  /// Reads Metadata/project_settings.config, Metadata/model_settings.config, Metadata/Slic3r_PE.config
  /// and Metadata/Slic3r_PE_model.config; a missing or unreadable entry is skipped. Never throws a
  /// LoadError (reads still count against the archive's total).
  static SlicerSettings read(const ZipReader& zip);

  /// The parsers behind read, one per entry; each leaves `settings` unchanged when its bytes are
  /// unreadable.
  static void readProjectSettings(std::span<const std::byte> json, SlicerSettings& settings);
  static void readModelSettings(std::span<const std::byte> xml, SlicerSettings& settings);
  static void readSlic3rConfig(std::span<const std::byte> text, SlicerSettings& settings);
  static void readSlic3rModelConfig(std::span<const std::byte> xml, SlicerSettings& settings);

  bool operator==(const SlicerSettings&) const = default;
};

}  // namespace vantorel
