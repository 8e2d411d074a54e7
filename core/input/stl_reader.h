#pragma once
#include "input/load_error.h"
#include "input/print_model.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace vantorel {
class MappedFile;
}

namespace vantorel::STLReader {

/// True when `bytes` are taken for a binary STL: exactly 84 + 50·n bytes, or at least that many and
/// not beginning like an ASCII file ("solid" … "facet"). n is the count at byte 80.
bool isBinary(std::span<const std::byte> bytes);

/// Reads a binary or ASCII STL into a model named `name` (millimetres, no colours). Triangles with
/// NaN/infinite coordinates (counted in a note) or repeated vertices are dropped; an ASCII file
/// that stops before its last "endsolid" is read as far as it goes, with a note.
/// Throws LoadError::malformed for bytes that are neither form, a binary file cut short or with a
/// wrong count, a vertex without three finite numbers or more than `maxTriangles` triangles;
/// LoadError::empty when no triangle is left.
PrintModel read(std::span<const std::byte> bytes, std::string_view name, std::int64_t maxTriangles = triangleLimit);

/// The same for a whole file; a binary file's records are read from the file rather than its mapping.
PrintModel read(const MappedFile& file, std::string_view name, std::int64_t maxTriangles = triangleLimit);

}  // namespace vantorel::STLReader
