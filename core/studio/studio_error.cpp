#include "studio/studio_error.h"

#include "input/localized.h"

namespace vantorel {

namespace {
constexpr const char* kNoGraphicsText = "This computer's graphics (OpenGL) aren't available, so nothing can be drawn.";
}

StudioError::StudioError(Kind kind, std::string detail)
    : std::runtime_error(kNoGraphicsText), kind_(kind), detail_(std::move(detail)) {}

StudioError StudioError::noGraphics(std::string detail) { return StudioError(Kind::noGraphics, std::move(detail)); }

std::string StudioError::userText() const { return localized(kNoGraphicsText); }

}  // namespace vantorel
