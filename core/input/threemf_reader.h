#pragma once
// Reads a 3MF package (a ZIP archive of XML parts) into a model: finds the main model part, parses
// model parts, then assembles the build with its components, units and colours.
// Format reference: the 3MF core format 1.3 (OPC parts, chapters 3–5), its materials and
// properties extension 1.2 (base materials, colour groups) and production extension 1.1 (paths).
#include "input/print_model.h"
#include "input/zip_reader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::ThreeMFReader {

struct Limits {
  std::int64_t triangles = 0;   ///< most triangles placed over the whole model
  std::int64_t vertices = 0;    ///< most vertices placed over the whole model
  std::int64_t placements = 0;  ///< most object placements (build items and component references)
  ZipReader::Limits zip;
  bool operator==(const Limits&) const = default;
};

/// An affine transform in 3MF order: m[0..2] is the first column (m00 m01 m02), m[9..11] the
/// translation (m30 m31 m32); x' = m00·x + m10·y + m20·z + m30.
struct Transform {
  std::array<float, 12> m{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  bool operator==(const Transform&) const = default;
  /// This transform applied after `inner` (a point goes through `inner` first).
  Transform operator*(const Transform& inner) const;
  /// The determinant of the linear part; negative when the transform mirrors.
  double determinant() const;
};

/// A triangle's property reference; -1 in a member means the triangle did not give it.
struct PropertyRef {
  std::int32_t group = -1;
  std::int32_t index = -1;
  bool operator==(const PropertyRef&) const = default;
};

/// A triangle painted in a slicer: its number in the mesh and where its split code lies in the
/// mesh's paintCodes.
struct PaintedTriangle {
  std::uint32_t triangle = 0;
  std::uint32_t codeStart = 0;
  std::uint32_t codeSize = 0;
  bool operator==(const PaintedTriangle&) const = default;
};

struct MeshData {
  MeshArray<Float3> positions;  ///< in file units
  MeshArray<std::uint32_t> indices;
  /// One entry per triangle once any triangle carries a property; absent until then.
  std::optional<std::vector<PropertyRef>> props;
  /// The painted triangles in order; their codes, one after another, in paintCodes.
  std::vector<PaintedTriangle> painted;
  std::string paintCodes;
  bool operator==(const MeshData&) const = default;
};

struct Component {
  std::optional<std::string> path;  ///< the model part holding the object; absent: the same part
  std::int64_t objectID = 0;
  Transform transform;
  bool operator==(const Component&) const = default;
};

struct ObjectDef {
  std::int64_t id = 0;
  std::optional<std::string> name;
  std::string type = "model";
  std::optional<std::int64_t> pid;
  std::optional<std::int64_t> pindex;
  std::optional<MeshData> mesh;
  std::vector<Component> components;
  bool operator==(const ObjectDef&) const = default;
};

struct BuildItem {
  std::int64_t objectID = 0;
  Transform transform;
  std::optional<std::string> path;  ///< production extension: the model part holding the object
  bool operator==(const BuildItem&) const = default;
};

/// Which plates of a slicer project a read shows. By default the first plate that holds anything
/// when the project has several (with a note), otherwise every object; `one` shows plate `number`
/// and `all` every object whatever its plate.
struct PlateChoice {
  enum class Kind { standard, one, all };
  Kind kind = Kind::standard;
  std::int64_t number = 0;
  static PlateChoice plate(std::int64_t n) { return {Kind::one, n}; }
  static PlateChoice allPlates() { return {Kind::all, 0}; }
  bool operator==(const PlateChoice&) const = default;
};

/// One parsed model part.
struct ModelFile {
  std::string unit = "millimeter";  ///< lower case
  std::map<std::int64_t, ObjectDef> objects;
  std::map<std::int64_t, std::vector<RGBA>> materials;  ///< base-material and colour groups
  std::vector<BuildItem> build;
  std::int64_t paintedTriangles = 0;  ///< triangles with a slicer painting attribute
  bool operator==(const ModelFile&) const = default;
};

/// Reads the package into a model named `name` (millimetres, format threeMF). Throws
/// LoadError::malformed for a damaged package or part, a missing part or object, a broken limit;
/// LoadError::empty when the build draws no triangle; LoadError::noPlate for a plate not there.
PrintModel read(std::span<const std::byte> bytes, std::string_view name, const Limits& limits,
                PlateChoice plates = {});

/// The path of the main model part: the package relationship of type ".../3dmodel" when its target
/// exists, else "3D/3dmodel.model" when present, else the first entry ending in ".model", else
/// "3D/3dmodel.model". Never throws for a damaged relationships part.
std::string mainModelPath(const ZipReader& zip);

/// Parses one model part. Throws LoadError::malformed for an unclosed tag, a missing or invalid
/// required attribute, or a part whose parsed structures would outgrow twice its own size (plus
/// 1 MiB): only hostile parts of empty elements do, and this keeps memory bounded by the ZIP limits.
ModelFile parseModelPart(std::span<const std::byte> bytes);
/// Unpacks and parses the model part at `path`, a large one as it unpacks. Throws as
/// ZipReader::read and parseModelPart do.
ModelFile readModelPart(const ZipReader& zip, std::string_view path);

/// Millimetres per unit for a lower-case unit name; 1 for "millimeter" and unknown names.
double unitFactor(std::string_view unit);

}  // namespace vantorel::ThreeMFReader
