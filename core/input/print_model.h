#pragma once
// The loaded model: plain values that every reader produces and every later stage consumes.
#include "input/huge_page_allocator.h"
#include "input/rgba.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

/// A position in millimetres, in the file's own axes.
struct Float3 {
  float x = 0, y = 0, z = 0;
  bool operator==(const Float3&) const = default;
};

/// Which reader produced a model. The raw value is also the serialised form and the label.
enum class ModelFormat { stlBinary, stlASCII, threeMF, obj };

std::string_view rawValue(ModelFormat format);
std::optional<ModelFormat> modelFormatFromRaw(std::string_view raw);
/// The label shown to the user; the two STL labels are localised, "3MF" and "OBJ" are not.
std::string label(ModelFormat format);

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

/// One loaded file.
struct PrintModel {
  std::string name;
  ModelFormat format = ModelFormat::stlBinary;
  std::vector<ModelObject> objects;
  std::vector<RGBA> palette;
  std::string unit = "millimeter";
  std::vector<std::string> notes;

  std::size_t triangleCount() const;
  std::size_t vertexCount() const;
  /// True when the palette is not empty and some object carries a colour or per-triangle colours.
  bool hasColors() const;
  /// A copy with every position multiplied by `factor`; everything else, unit included, unchanged.
  PrintModel scaled(float factor) const;

  bool operator==(const PrintModel&) const = default;
};

}  // namespace vantorel
