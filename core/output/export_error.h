#pragma once
// The one error type of the output subsystem: every export failure with its user-facing sentence.
#include "base/error.h"

namespace vantorel {

enum class ExportErrorKind { video, image, exists, render };

class ExportError : public ErrorOf<ExportError, ExportErrorKind> {
public:
  /// "The video couldn't be written: " + `what` + "." (`what`: a writer's lower-case phrase without a
  /// final full stop, or a library's own error description).
  static ExportError video(std::string what);
  /// "The image couldn't be written: " + `what` + ".".
  static ExportError image(std::string what);
  /// "“" + `fileName` + "” already exists, so it wasn't replaced." (`fileName`: last path component).
  static ExportError exists(std::string fileName);
  /// "A frame couldn't be drawn."
  static ExportError render();

  /// The payload is looked up too, so the writers' fixed phrases translate; library descriptions
  /// pass through unchanged.
  static std::string sentence(Kind kind, const std::string& payload, Phrase text);

private:
  using ErrorOf::ErrorOf;
};

}  // namespace vantorel
