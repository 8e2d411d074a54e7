#pragma once
// The one error of the studio: nothing can be drawn on this computer.
#include "base/error.h"

namespace vantorel {

enum class StudioErrorKind { noGraphics };

class StudioError : public ErrorOf<StudioError, StudioErrorKind> {
public:
  /// No usable OpenGL 4.1 device or context; `detail` says why, for logs and tests only.
  static StudioError noGraphics(std::string detail = {});

  /// The developer-facing reason (never shown to users).
  const std::string& detail() const { return payload(); }

  static std::string sentence(Kind kind, const std::string& detail, Phrase text);

private:
  using ErrorOf::ErrorOf;
};

}  // namespace vantorel
