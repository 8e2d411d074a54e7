#pragma once
// Copies of dense objects, and the occlusion of the forms drawn, kept between runs. Simplifying half a million triangles takes longer
// than the rest of a small picture together, and a thumbnailer or a batch run again over the same
// models would pay it every time; the copy of a given object at a given error never changes.
// Kept in the user's cache folder ($XDG_CACHE_HOME or ~/.cache, then vantorel/); losing it costs
// only time, so every failure to read or write it is silent.
#include "input/print_model.h"
#include "staging/matrix4.h"
#include "staging/render_mesh.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vantorel::DetailCache {

/// A fingerprint of the object's points, triangles and colours: equal objects, equal fingerprints.
std::uint64_t fingerprint(const ModelObject& object);

/// The copy of `object` (whose fingerprint is `print`) at `errorMm` kept by an earlier run, or
/// nothing. A kept file that doesn't fit the object (damaged, cut short, from another version) is
/// passed over.
std::optional<ModelObject> find(std::uint64_t print, float errorMm, const ModelObject& object);

/// Keeps `copy` of the object with fingerprint `print` at `errorMm` for later runs, written whole
/// under a temporary name and then renamed, so a reader never sees half a file. The oldest copies
/// go when the folder grows past a few hundred.
void keep(std::uint64_t print, float errorMm, const ModelObject& copy);

/// The key of the occlusion of the drawn form `mesh` in a scene: the device (`renderer`, whose
/// depth maps it reads), the fingerprints of every object of the model, their placement, and the
/// form's own points and normals.
std::uint64_t occlusionKey(std::string_view renderer, std::span<const std::uint64_t> objects, const Matrix4& placement,
                           const RenderMesh& mesh);
/// The occlusion kept under `key` for a form of `vertices` points, or nothing.
std::optional<std::vector<std::uint8_t>> findOcclusion(std::uint64_t key, std::size_t vertices);
/// Keeps a form's occlusion under `key` for later runs.
void keepOcclusion(std::uint64_t key, std::span<const std::uint8_t> occlusion);

}  // namespace vantorel::DetailCache
