#pragma once
// Internal to the 3MF reader: the per-read cache of model parts, and the assembly of the build
// into the objects, palette and notes of a model.
#include "input/slicer_settings.h"
#include "input/threemf_reader.h"

#include <map>
#include <string>

namespace vantorel::ThreeMFReader {

/// The model parts of one read, each read and parsed once, keyed by the entry's lookup key.
class PartCache {
public:
  explicit PartCache(const ZipReader& zip) : zip_(zip) {}

  /// The parsed part at `path`. Throws what ZipReader::read and parseModelPart throw.
  const ModelFile& load(std::string_view path);
  /// Painted triangles over every part loaded so far.
  std::int64_t paintedTriangles() const { return painted_; }
  const ZipReader& zip() const { return zip_; }

private:
  const ZipReader& zip_;
  std::map<std::string, ModelFile, std::less<>> parts_;
  std::int64_t painted_ = 0;
};

/// Turns the build of `main` (loaded through `parts` from `mainPath`) into a model named `name`.
/// Throws LoadError::malformed for a missing part or object, components that nest too deeply or
/// refer back, and broken placement, triangle or vertex limits; LoadError::empty when nothing is
/// drawn; LoadError::noPlate when `plates` names a plate the project doesn't have.
PrintModel assemble(const std::string& mainPath, PartCache& parts, const SlicerSettings& settings,
                    const Limits& limits, std::string_view name, PlateChoice plates = {});

}  // namespace vantorel::ThreeMFReader
