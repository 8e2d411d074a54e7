#pragma once
#include "base/error.h"

#include <cstdint>

namespace vantorel {

/// The most triangles a model may have, whatever its format: each reader refuses a file with more
/// as it counts them, so that no file can take more memory than a model of this size.
inline constexpr std::int64_t triangleLimit = 20'000'000;

enum class LoadErrorKind { unsupported, malformed, empty, noPlate };

/// Why a file was not turned into a model. Thrown by the loader and every reader.
class LoadError : public ErrorOf<LoadError, LoadErrorKind> {
public:
  /// `extension` is ".step" or the localised "no extension".
  static LoadError unsupported(std::string extension);
  /// `phrase` is lower case without a final full stop, e.g. "it isn't a ZIP archive (too short)".
  static LoadError malformed(std::string phrase);
  static LoadError empty();
  /// Plate `number` was asked for and the model has only `plates` plates (0 for a model without any).
  static LoadError noPlate(std::int64_t number, std::size_t plates);
  /// "it has more than 20,000,000 triangles", grouped the user's way.
  static LoadError tooManyTriangles(std::int64_t limit);

  static std::string sentence(Kind kind, const std::string& payload, Phrase text);

private:
  using ErrorOf::ErrorOf;
};

}  // namespace vantorel
