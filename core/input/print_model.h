#pragma once
// The loaded model: plain values that every reader produces and every later stage consumes.
#include "base/choice.h"
#include "base/huge_page_allocator.h"
#include "base/rgba.h"
#include "base/vector_math.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

/// Which reader produced a model. The raw value is also the serialised form and the title; only
/// the two STL titles are localised.
enum class ModelFormat { stlBinary, stlASCII, threeMF, obj };
constexpr auto choiceCases(ModelFormat) {
  return std::to_array<ChoiceCase<ModelFormat>>({{ModelFormat::stlBinary, "STL (binary)", "STL (binary)"},
                                                 {ModelFormat::stlASCII, "STL (ASCII)", "STL (ASCII)"},
                                                 {ModelFormat::threeMF, "3MF", ""},
                                                 {ModelFormat::obj, "OBJ", ""}});
}

/// One separately coloured mesh of a model.
/// Invariants: indices.size() % 3 == 0; every index < positions.size();
/// triangleColors, when present, has indices.size() / 3 entries.
struct ModelObject {
  std::int64_t id = 0;
  std::string name;
  MeshArray<Float3> positions;
  MeshArray<std::uint32_t> indices;
  std::optional<std::int64_t> color;                       ///< palette index for the whole object
  std::optional<std::vector<std::int32_t>> triangleColors;  ///< palette index per triangle, -1 for none

  std::size_t triangleCount() const { return indices.size() / 3; }
  bool operator==(const ModelObject&) const = default;
};

/// One plate of a slicer project that keeps several plates in one file.
struct Plate {
  std::int64_t number = 0;
  std::string name;                  ///< empty when the project gives none
  std::vector<std::string> objects;  ///< the names of the objects on it, in build order
  bool operator==(const Plate&) const = default;
};

/// One loaded file.
struct PrintModel {
  std::string name;
  ModelFormat format = ModelFormat::stlBinary;
  std::vector<ModelObject> objects;
  std::vector<RGBA> palette;
  std::string unit = "millimeter";
  std::vector<std::string> notes;
  std::vector<Plate> plates;               ///< a slicer project's plates in file order; else empty
  std::optional<std::int64_t> shownPlate;  ///< the plate whose objects are loaded; absent: all of them

  std::size_t triangleCount() const;
  std::size_t vertexCount() const;
  /// True when the palette is not empty and some object carries a colour or per-triangle colours.
  bool hasColors() const;
  /// A copy with every position multiplied by `factor`; everything else, unit included, unchanged.
  PrintModel scaled(float factor) const;

  bool operator==(const PrintModel&) const = default;
};

/// Adds the note that `count` triangles were left out for a NaN or infinite coordinate; none for 0.
void noteInvalidTriangles(PrintModel& model, std::size_t count);

}  // namespace vantorel
