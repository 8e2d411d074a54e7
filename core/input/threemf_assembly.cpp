#include "input/threemf_assembly.h"

#include "input/load_error.h"
#include "input/paint_split.h"
#include "base/localized.h"
#include "base/number_format.h"

#include <algorithm>
#include <unordered_map>

namespace vantorel::ThreeMFReader {
namespace {

[[noreturn]] void fail(std::string phrase) { throw LoadError::malformed(std::move(phrase)); }

// Deeper chains are refused: no real file nests this far, and it bounds the recursion.
constexpr int kMaxDepth = 15;

bool skippedType(const ObjectDef& o) { return o.type == "support" || o.type == "other"; }

// An object's default property: its own pid and pindex, or what the placing object passed down.
struct DefaultProperty {
  std::optional<std::int64_t> group;
  std::optional<std::int64_t> index;
};

// One object in the chain of objects being expanded, identified by the part that holds it.
struct Ancestor {
  const ModelFile* part;
  std::int64_t id;
  bool operator==(const Ancestor&) const = default;
};

// Every placement is walked twice per build item: first to count (all checks and limits happen
// there, before any geometry is built), then to emit into buffers sized exactly by the count.
enum class Pass { count, emit };

class Assembler {
public:
  Assembler(PartCache& parts, const SlicerSettings& settings, const Limits& limits, double factor)
      : parts_(parts), settings_(settings), limits_(limits), factor_(factor) {}

  std::vector<ModelObject> run(const ModelFile& main, PlateChoice choice) {
    // Every item is looked up first, so that a broken item is refused whichever plate is shown.
    std::vector<const ObjectDef*> itemObjects(main.build.size());
    std::vector<const ModelFile*> itemParts(main.build.size());
    for (std::size_t i = 0; i < main.build.size(); ++i) {
      const BuildItem& item = main.build[i];
      itemParts[i] = item.path ? &partAt(*item.path) : &main;
      const auto found = itemParts[i]->objects.find(item.objectID);
      if (found == itemParts[i]->objects.end()) {
        fail("a build item points to object " + std::to_string(item.objectID) + ", which isn't there");
      }
      itemObjects[i] = &found->second;
    }
    const std::vector<std::int32_t> itemPlates = sortOntoPlates(main, itemObjects, choice);

    std::vector<ModelObject> objects;
    for (std::size_t i = 0; i < main.build.size(); ++i) {
      const std::size_t itemNumber = i + 1;
      const BuildItem& item = main.build[i];
      const ModelFile* part = itemParts[i];
      const ObjectDef& object = *itemObjects[i];
      if (shownPlate_ && itemPlates[i] != *shownPlate_) continue;
      if (skippedType(object)) {
        ++skipped_;
        continue;
      }

      itemObject_ = item.objectID;
      std::optional<std::int64_t> extruder;
      if (const auto e = settings_.objectExtruders.find(itemObject_); e != settings_.objectExtruders.end()) {
        extruder = e->second;
      }
      const auto inOrder = settings_.partsInOrder.find(itemObject_);
      itemParts_ = inOrder != settings_.partsInOrder.end() && inOrder->second.size() == object.components.size()
                       ? &inOrder->second
                       : nullptr;
      const std::int64_t trianglesBefore = triangles_, verticesBefore = vertices_;
      place<Pass::count>(*part, object, item.transform, 0, {}, extruder);
      const auto itemTriangles = std::size_t(triangles_ - trianglesBefore);
      if (itemTriangles == 0) continue;

      positions_.clear();
      indices_.clear();
      colours_.clear();
      coloured_ = false;
      positions_.reserve(std::size_t(vertices_ - verticesBefore));
      indices_.reserve(itemTriangles * 3);
      colours_.reserve(itemTriangles);
      place<Pass::emit>(*part, object, item.transform, 0, {}, extruder);

      ModelObject out;
      out.id = std::int64_t(objects.size());
      out.name = itemName(object, itemNumber);
      out.positions = std::move(positions_);
      out.indices = std::move(indices_);
      if (coloured_) {
        const std::int32_t first = colours_.front();
        const bool uniform = first >= 0 && std::all_of(colours_.begin(), colours_.end(),
                                                       [first](std::int32_t c) { return c == first; });
        if (uniform) out.color = first;
        else out.triangleColors = colours_;
      }
      objects.push_back(std::move(out));
      positions_ = {};
      indices_ = {};
    }
    return objects;
  }

  const std::vector<Plate>& plates() const { return plates_; }
  /// The index into plates() of the plate shown, when one is.
  std::optional<std::int32_t> shownPlate() const { return shownPlate_; }

  const std::vector<RGBA>& palette() const { return palette_; }
  std::int64_t skipped() const { return skipped_; }
  bool coloursFromSlicer() const { return slicer_; }
  std::uint64_t unreadablePaint() const { return unreadablePaint_; }

private:
  std::string itemName(const ObjectDef& object, std::size_t itemNumber) const {
    if (const auto n = settings_.objectNames.find(object.id); n != settings_.objectNames.end()) return n->second;
    if (object.name) return *object.name;
    return localized("Object ") + std::to_string(itemNumber);
  }

  // The plate of each build item (-1 for none), the list of plates, and the plate to show.
  std::vector<std::int32_t> sortOntoPlates(const ModelFile& main, const std::vector<const ObjectDef*>& itemObjects,
                                           PlateChoice choice) {
    const auto& plates = settings_.plates;
    std::vector<std::int32_t> itemPlates(main.build.size(), -1);
    if (!plates.empty()) {
      // A plate names an item by its object and its number among the items placing that object.
      std::map<std::pair<std::int64_t, std::int64_t>, std::size_t> instances;
      std::map<std::int64_t, std::int64_t> placed;
      for (std::size_t i = 0; i < main.build.size(); ++i) {
        const std::int64_t id = main.build[i].objectID;
        instances.emplace(std::pair{id, placed[id]++}, i);
      }
      for (std::size_t p = plates.size(); p-- > 0;) {  // the first plate naming an item keeps it
        for (const auto& instance : plates[p].instances) {
          if (const auto it = instances.find(instance); it != instances.end()) itemPlates[it->second] = std::int32_t(p);
        }
      }
      for (std::size_t p = 0; p < plates.size(); ++p) {
        Plate plate{plates[p].number.value_or(std::int64_t(p) + 1), plates[p].name, {}};
        for (std::size_t i = 0; i < main.build.size(); ++i) {
          if (itemPlates[i] == std::int32_t(p) && !skippedType(*itemObjects[i])) {
            plate.objects.push_back(itemName(*itemObjects[i], i + 1));
          }
        }
        plates_.push_back(std::move(plate));
      }
    }
    if (choice.kind == PlateChoice::Kind::one) {
      const auto it = std::find_if(plates_.begin(), plates_.end(), [&](const Plate& p) { return p.number == choice.number; });
      if (it == plates_.end()) throw LoadError::noPlate(choice.number, plates_.size());
      shownPlate_ = std::int32_t(it - plates_.begin());
    } else if (choice.kind == PlateChoice::Kind::standard && plates_.size() > 1) {
      const auto it = std::find_if(plates_.begin(), plates_.end(), [](const Plate& p) { return !p.objects.empty(); });
      if (it != plates_.end()) shownPlate_ = std::int32_t(it - plates_.begin());
    }
    return itemPlates;
  }

  const ModelFile& partAt(const std::string& path) {
    if (!parts_.zip().contains(path)) fail("a component's model file " + path + " is missing");
    return parts_.load(path);
  }

  void countPlacement() {
    if (++placements_ > limits_.placements) {
      fail("it places parts more than " + formatCount(std::uint64_t(limits_.placements)) + " times");
    }
  }

  template <Pass pass>
  void place(const ModelFile& part, const ObjectDef& object, const Transform& transform, int depth,
             DefaultProperty inherited, std::optional<std::int64_t> extruder,
             const std::optional<std::int64_t>* positionalPart = nullptr) {
    if constexpr (pass == Pass::count) {
      if (depth > kMaxDepth) fail("components nest too deeply");
      countPlacement();
    }
    const DefaultProperty own = object.pid ? DefaultProperty{object.pid, object.pindex} : inherited;
    if (positionalPart) {
      if (*positionalPart) extruder = *positionalPart;
    } else if (const auto e = settings_.partExtruders.find({itemObject_, object.id}); e != settings_.partExtruders.end()) {
      extruder = e->second;
    }

    if (object.mesh) {
      const MeshData& mesh = *object.mesh;
      if constexpr (pass == Pass::count) {
        const PaintSplit::Size painting = PaintSplit::growth(mesh);
        const auto triangles = std::int64_t(mesh.indices.size() / 3 + painting.leaves),
                   vertices = std::int64_t(mesh.positions.size() + painting.midpoints);
        if (triangles > limits_.triangles - triangles_ || vertices > limits_.vertices - vertices_) {
          throw LoadError::tooManyTriangles(limits_.triangles);
        }
        triangles_ += triangles;
        vertices_ += vertices;
      } else {
        emitMesh(part, mesh, transform, own, extruder);
      }
    }

    if (object.components.empty()) return;
    chain_.push_back({&part, object.id});
    for (std::size_t n = 0; n < object.components.size(); ++n) {
      const Component& c = object.components[n];
      const ModelFile& childPart = c.path ? partAt(*c.path) : part;
      const auto found = childPart.objects.find(c.objectID);
      if (found == childPart.objects.end()) {
        fail("a component points to object " + std::to_string(c.objectID) + ", which isn't there");
      }
      const ObjectDef& child = found->second;
      // Modifier volumes and support blockers: slicers place them as components of the printed object.
      if (skippedType(child)) {
        // Skipped references still count as placements, so that a fan-out of them stays bounded.
        if constexpr (pass == Pass::count) {
          countPlacement();
          if (child.type == "support") ++skipped_;
        }
        continue;
      }
      if (std::find(chain_.begin(), chain_.end(), Ancestor{&childPart, child.id}) != chain_.end()) {
        fail("a component refers back to the object that holds it");
      }
      // The item's own parts match its components by position when the settings list one per component.
      const std::optional<std::int64_t>* positional = depth == 0 && itemParts_ ? &(*itemParts_)[n] : nullptr;
      place<pass>(childPart, child, transform * c.transform, depth + 1, own, extruder, positional);
    }
    chain_.pop_back();
  }

  const RGBA* groupColour(const ModelFile& part, std::int64_t group, std::int64_t index) const {
    const auto g = part.materials.find(group);
    if (g == part.materials.end() || index < 0 || std::uint64_t(index) >= g->second.size()) return nullptr;
    return &g->second[std::size_t(index)];
  }

  const RGBA* propertyColour(const ModelFile& part, PropertyRef r, const DefaultProperty& d) const {
    if (r.group >= 0) return groupColour(part, r.group, r.index != -1 ? r.index : d.index.value_or(0));
    if (r.index >= 0 && d.group) return groupColour(part, *d.group, r.index);
    return nullptr;
  }

  std::int32_t paletteIndex(const RGBA* c) {
    if (c == lastColour_) return lastIndex_;
    auto [it, added] = paletteIndex_.try_emplace(*c, std::int32_t(palette_.size()));
    if (added) palette_.push_back(*c);
    lastColour_ = c;
    lastIndex_ = it->second;
    return lastIndex_;
  }

  void emitMesh(const ModelFile& part, const MeshData& mesh, const Transform& t, const DefaultProperty& own,
                std::optional<std::int64_t> extruder) {
    const auto base = std::uint32_t(positions_.size());
    const auto& m = t.m;
    const double f = factor_;
    for (const Float3& p : mesh.positions) {
      positions_.push_back({float(f * (double(m[0]) * p.x + double(m[3]) * p.y + double(m[6]) * p.z + m[9])),
                            float(f * (double(m[1]) * p.x + double(m[4]) * p.y + double(m[7]) * p.z + m[10])),
                            float(f * (double(m[2]) * p.x + double(m[5]) * p.y + double(m[8]) * p.z + m[11]))});
    }
    // A mirroring transform turns the winding inside out; swapping two corners turns it back.
    const bool mirrors = t.determinant() < 0;
    const std::size_t n = mesh.indices.size();
    for (std::size_t i = 0; i < n; i += 3) {
      indices_.push_back(base + mesh.indices[i]);
      indices_.push_back(base + mesh.indices[i + (mirrors ? 2 : 1)]);
      indices_.push_back(base + mesh.indices[i + (mirrors ? 1 : 2)]);
    }

    const std::size_t triangles = n / 3;
    const RGBA* defaultColour = own.group ? groupColour(part, *own.group, own.index.value_or(0)) : nullptr;
    const auto volumes = settings_.volumes.find(itemObject_);
    const bool hasVolumes = volumes != settings_.volumes.end();
    const RGBA* extruderColour = extruder ? settings_.extruderColour(*extruder) : nullptr;
    if (!mesh.props && !defaultColour && !hasVolumes && !extruderColour) {
      colours_.insert(colours_.end(), triangles, -1);
      paint(mesh, base, mirrors);
      return;
    }
    for (std::size_t tri = 0; tri < triangles; ++tri) {
      const RGBA* c = mesh.props ? propertyColour(part, (*mesh.props)[tri], own) : nullptr;
      if (!c) c = defaultColour;
      if (!c && hasVolumes) {
        for (const auto& v : volumes->second) {
          if (std::int64_t(tri) >= v.firstID && std::int64_t(tri) <= v.lastID) {
            // Extruder 0 on a volume means "the object's extruder" to the slicer that writes it.
            if (v.extruder < 1 && extruder) break;
            c = settings_.extruderColour(v.extruder);
            if (c) slicer_ = true;
            break;
          }
        }
      }
      if (!c && extruderColour) {
        c = extruderColour;
        slicer_ = true;
      }
      if (c) coloured_ = true;
      colours_.push_back(c ? paletteIndex(c) : -1);
    }
    paint(mesh, base, mirrors);
  }

  // Painted state n is extruder n's filament.
  void paint(const MeshData& mesh, std::uint32_t base, bool mirrors) {
    if (mesh.painted.empty()) return;
    unreadablePaint_ += PaintSplit::paintMesh(mesh, base, mirrors, positions_, indices_, colours_, [this](int state) {
      const RGBA* c = settings_.extruderColour(state);
      if (!c) return std::int32_t(-1);
      slicer_ = coloured_ = true;
      return paletteIndex(c);
    });
  }

  PartCache& parts_;
  const SlicerSettings& settings_;
  const Limits& limits_;
  const double factor_;

  std::int64_t triangles_ = 0, vertices_ = 0, placements_ = 0, skipped_ = 0;
  std::uint64_t unreadablePaint_ = 0;
  bool slicer_ = false;
  std::vector<RGBA> palette_;
  std::unordered_map<RGBA, std::int32_t> paletteIndex_;
  const RGBA* lastColour_ = nullptr;
  std::int32_t lastIndex_ = -1;
  std::vector<Ancestor> chain_;

  std::int64_t itemObject_ = 0;
  const std::vector<std::optional<std::int64_t>>* itemParts_ = nullptr;  // by position, when they match
  std::vector<Plate> plates_;
  std::optional<std::int32_t> shownPlate_;
  MeshArray<Float3> positions_;
  MeshArray<std::uint32_t> indices_;
  std::vector<std::int32_t> colours_;
  bool coloured_ = false;
};

}  // namespace

const ModelFile& PartCache::load(std::string_view path) {
  std::string key = ZipReader::lookupKey(path);
  if (const auto it = parts_.find(key); it != parts_.end()) return it->second;
  ModelFile file = readModelPart(zip_, path);
  painted_ += file.paintedTriangles;
  return parts_.emplace(std::move(key), std::move(file)).first->second;
}

PrintModel assemble(const std::string& mainPath, PartCache& parts, const SlicerSettings& settings,
                    const Limits& limits, std::string_view name, PlateChoice plates) {
  const ModelFile& main = parts.load(mainPath);
  Assembler assembler(parts, settings, limits, unitFactor(main.unit));
  std::vector<ModelObject> objects = assembler.run(main, plates);
  if (objects.empty()) throw LoadError::empty();

  PrintModel model;
  model.name = std::string(name);
  model.format = ModelFormat::threeMF;
  model.objects = std::move(objects);
  model.palette = assembler.palette();
  model.unit = main.unit;
  model.plates = assembler.plates();
  const std::size_t plateCount = model.plates.size();
  if (const auto shown = assembler.shownPlate()) {
    model.shownPlate = model.plates[std::size_t(*shown)].number;
    if (plateCount > 1) {
      model.notes.push_back(localized("This project has ") + formatCount(plateCount) + localized(" plates; plate ") +
                            std::to_string(*model.shownPlate) + localized(" is shown."));
    }
  } else if (plateCount > 1 && plates.kind == PlateChoice::Kind::all) {
    model.notes.push_back(localized("This project has ") + formatCount(plateCount) +
                          localized(" plates; all of them are shown."));
  }
  if (main.unit != "millimeter") {
    model.notes.push_back(localized("Units: ") + main.unit + localized(" (converted to millimeters)."));
  }
  if (parts.paintedTriangles() > 0) {
    model.notes.push_back(localized("Painted areas are shown in their filament colors."));
  }
  if (const std::uint64_t unreadable = assembler.unreadablePaint(); unreadable > 0) {
    model.notes.push_back(formatCount(unreadable) +
                          (unreadable == 1 ? localized(" painted triangle couldn't be read and shows its part's color.")
                                           : localized(" painted triangles couldn't be read and show their part's color.")));
  }
  if (assembler.skipped() == 1) {
    model.notes.push_back(localized("1 support object left out."));
  } else if (assembler.skipped() > 1) {
    model.notes.push_back(formatCount(std::uint64_t(assembler.skipped())) + localized(" support objects left out."));
  }
  if (assembler.coloursFromSlicer()) model.notes.push_back(localized("Colors from the slicer's filament settings."));
  return model;
}

}  // namespace vantorel::ThreeMFReader
