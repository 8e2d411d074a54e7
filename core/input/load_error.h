#pragma once
#include "base/error.h"

namespace vantorel {

enum class LoadErrorKind { unsupported, malformed, empty };

/// Why a file was not turned into a model. Thrown by the loader and every reader.
class LoadError : public ErrorOf<LoadError, LoadErrorKind> {
public:
  /// `extension` is ".step" or the localised "no extension".
  static LoadError unsupported(std::string extension);
  /// `phrase` is lower case without a final full stop, e.g. "it isn't a ZIP archive (too short)".
  static LoadError malformed(std::string phrase);
  static LoadError empty();

  static std::string sentence(Kind kind, const std::string& payload, Phrase text);

private:
  using ErrorOf::ErrorOf;
};

}  // namespace vantorel
