#include "input/load_error.h"

#include "base/number_format.h"

namespace vantorel {

std::string LoadError::sentence(Kind kind, const std::string& payload, Phrase text) {
  switch (kind) {
    case Kind::unsupported:
      return text("This file type isn't supported (") + payload + text("). Vantorel opens STL, 3MF and OBJ.");
    case Kind::malformed:
      return text("The file couldn't be read: ") + payload + text(".");
    case Kind::empty:
      return text("The file has no triangles to show.");
    case Kind::noPlate: {
      // The payload is "number plates", both decimal.
      const std::size_t space = payload.find(' ');
      const std::string number = payload.substr(0, space), plates = payload.substr(space + 1);
      if (plates == "0") return text("This model has no plates, so it has no plate ") + number + text(".");
      return text("This project has ") + plates + text(plates == "1" ? " plate; there is no plate " : " plates; there is no plate ") +
             number + text(".");
    }
  }
  return {};
}

LoadError LoadError::unsupported(std::string extension) { return {Kind::unsupported, std::move(extension)}; }
LoadError LoadError::malformed(std::string phrase) { return {Kind::malformed, std::move(phrase)}; }
LoadError LoadError::empty() { return {Kind::empty, {}}; }
LoadError LoadError::noPlate(std::int64_t number, std::size_t plates) {
  return {Kind::noPlate, std::to_string(number) + " " + std::to_string(plates)};
}
LoadError LoadError::tooManyTriangles(std::int64_t limit) {
  return malformed("it has more than " + formatCount(std::uint64_t(limit)) + " triangles");
}

}  // namespace vantorel
