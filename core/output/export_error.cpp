#include "output/export_error.h"

#include "input/localized.h"

namespace vantorel {
namespace {
std::string sentence(ExportError::Kind kind, const std::string& payload, std::string (*text)(std::string_view)) {
  switch (kind) {
    case ExportError::Kind::video:
      return text("The video couldn't be written: ") + text(payload) + text(".");
    case ExportError::Kind::image:
      return text("The image couldn't be written: ") + text(payload) + text(".");
    case ExportError::Kind::exists:
      return text("\u201C") + payload + text("\u201D already exists, so it wasn't replaced.");
    case ExportError::Kind::render:
      return text("A frame couldn't be drawn.");
  }
  return {};
}
std::string english(std::string_view s) { return std::string(s); }
}  // namespace

ExportError::ExportError(Kind kind, std::string payload)
    : kind_(kind), payload_(std::move(payload)), english_(sentence(kind_, payload_, english)) {}

ExportError ExportError::video(std::string what) { return {Kind::video, std::move(what)}; }
ExportError ExportError::image(std::string what) { return {Kind::image, std::move(what)}; }
ExportError ExportError::exists(std::string fileName) { return {Kind::exists, std::move(fileName)}; }
ExportError ExportError::render() { return {Kind::render, {}}; }

std::string ExportError::userText() const { return sentence(kind_, payload_, localized); }

}  // namespace vantorel
