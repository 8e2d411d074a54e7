#include "input/load_error.h"

#include "input/localized.h"

namespace vantorel {
namespace {
std::string sentence(LoadError::Kind kind, const std::string& payload, std::string (*text)(std::string_view)) {
  switch (kind) {
    case LoadError::Kind::unsupported:
      return text("This file type isn't supported (") + payload + text("). Vantorel opens STL, 3MF and OBJ.");
    case LoadError::Kind::malformed:
      return text("The file couldn't be read: ") + payload + text(".");
    case LoadError::Kind::empty:
      return text("The file has no triangles to show.");
  }
  return {};
}
std::string english(std::string_view s) { return std::string(s); }
}  // namespace

LoadError::LoadError(Kind kind, std::string payload)
    : kind_(kind), payload_(std::move(payload)), english_(sentence(kind_, payload_, english)) {}

LoadError LoadError::unsupported(std::string extension) { return {Kind::unsupported, std::move(extension)}; }
LoadError LoadError::malformed(std::string phrase) { return {Kind::malformed, std::move(phrase)}; }
LoadError LoadError::empty() { return {Kind::empty, {}}; }

std::string LoadError::userText() const { return sentence(kind_, payload_, localized); }

}  // namespace vantorel
