#pragma once
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

/// Reads a binary or ASCII STL into a model named `name` (millimetres, no colours, no notes).
/// Triangles with NaN/infinite coordinates or repeated vertices are dropped.
/// Throws LoadError::malformed for bytes that are neither form or a vertex without three numbers,
/// LoadError::empty when no triangle is left.
PrintModel read(std::span<const std::byte> bytes, std::string_view name);

/// The same for a whole file; a binary file's records are read from the file rather than its mapping.
PrintModel read(const MappedFile& file, std::string_view name);

}  // namespace vantorel::STLReader
