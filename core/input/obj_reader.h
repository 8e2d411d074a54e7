#pragma once
#include "input/print_model.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace vantorel::OBJReader {

/// Reads the geometry of a Wavefront OBJ file (v, f, o, g) into a model named `name`; one object
/// per part that has triangles. Throws LoadError::malformed for a vertex without x, y and z or a
/// face index outside the vertex list, LoadError::empty when no triangle is left.
PrintModel read(std::span<const std::byte> bytes, std::string_view name);

}  // namespace vantorel::OBJReader
