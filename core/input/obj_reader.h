#pragma once
#include "input/load_error.h"
#include "input/print_model.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace vantorel::OBJReader {

/// Reads the geometry of a Wavefront OBJ file (v, f, o, g) into a model named `name`; one object
/// per part that has triangles. Triangles with a NaN or infinite coordinate are left out and
/// counted in a note. Throws LoadError::malformed for a vertex without x, y and z, a face index
/// outside the vertex list or faces that make more than `maxTriangles` triangles,
/// LoadError::empty when no triangle is left.
PrintModel read(std::span<const std::byte> bytes, std::string_view name, std::int64_t maxTriangles = triangleLimit);

}  // namespace vantorel::OBJReader
