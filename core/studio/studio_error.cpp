#include "studio/studio_error.h"

namespace vantorel {

std::string StudioError::sentence(Kind, const std::string&, Phrase text) {
  return text("This computer's graphics (OpenGL) aren't available, so nothing can be drawn.");
}

StudioError StudioError::noGraphics(std::string detail) { return {Kind::noGraphics, std::move(detail)}; }

}  // namespace vantorel
