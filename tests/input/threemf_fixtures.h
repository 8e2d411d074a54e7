#pragma once
// 3MF packages built in code, written the way slicers and design tools write them.
#include "input/model_loader.h"
#include "input/threemf_reader.h"
#include "test_bytes.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantorel::test {

/// One part of a package: its entry name and text.
using Part = std::pair<std::string, std::string>;

/// A closed axis-aligned box from `lo` to `hi` as a <mesh> element (8 vertices, 12 outward
/// triangles); `triangleAttributes(i)` adds text to triangle i's tag.
std::string boxMesh(Float3 lo, Float3 hi, std::string (*triangleAttributes)(int) = nullptr);

/// Object `id`, with `attributes`, holding a box mesh.
std::string box(int id, std::string_view attributes = "", Float3 lo = {0, 0, 0}, Float3 hi = {10, 10, 10});

/// Build items placing each of `ids` once, untransformed.
std::string items(const std::vector<int>& ids);

/// A model part: the <model> root with the core, material, production and slicer namespaces,
/// `resources` and `build` wrapped in their elements; `unit` empty leaves the attribute out.
std::string modelPart(std::string_view resources, std::string_view build, std::string_view unit = "");

/// A package: [Content_Types].xml, _rels/.rels pointing to `mainPath` (none when empty), then the parts.
Bytes package(const std::vector<Part>& parts, std::string_view mainPath = "/3D/3dmodel.model");

/// A package whose only model part is the main one.
Bytes single(std::string_view resources, std::string_view build, std::string_view unit = "");

/// Reads `bytes` under the name "fixture", with the loader's limits unless told otherwise.
PrintModel load3MF(const Bytes& bytes, const ThreeMFReader::Limits& limits = ModelLoader::threeMFLimits());

/// A package as a recent slicer project writes it: two printed objects whose meshes live in
/// 3D/Objects/*.model parts (component paths), a modifier of type "other", a support blocker,
/// painted triangles, filament colours in Metadata/project_settings.config and per-object and
/// per-part extruders in Metadata/model_settings.config.
Bytes slicerProjectPackage();

/// A package as an older slicer writes it: one object whose mesh holds two volumes, colours in
/// Metadata/Slic3r_PE.config and volume ranges in Metadata/Slic3r_PE_model.config.
Bytes slic3rPackage();

/// A slicer project with three plates side by side: plate 1 holds "Base", plate 2 ("Pegs") two
/// instances of "Peg", plate 3 "Tower" (named by the settings).
Bytes threePlatePackage();

}  // namespace vantorel::test
