#include "output/export_error.h"

namespace vantorel {

std::string ExportError::sentence(Kind kind, const std::string& payload, Phrase text) {
  switch (kind) {
    case Kind::video:
      return text("The video couldn't be written: ") + text(payload) + text(".");
    case Kind::image:
      return text("The image couldn't be written: ") + text(payload) + text(".");
    case Kind::exists:
      return text("\u201C") + payload + text("\u201D already exists, so it wasn't replaced.");
    case Kind::render:
      return text("A frame couldn't be drawn.");
  }
  return {};
}

ExportError ExportError::video(std::string what) { return {Kind::video, std::move(what)}; }
ExportError ExportError::image(std::string what) { return {Kind::image, std::move(what)}; }
ExportError ExportError::exists(std::string fileName) { return {Kind::exists, std::move(fileName)}; }
ExportError ExportError::render() { return {Kind::render, {}}; }

}  // namespace vantorel
