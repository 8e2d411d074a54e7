#pragma once
// The one error of the studio: nothing can be drawn on this computer.
#include <stdexcept>
#include <string>

namespace vantorel {

class StudioError : public std::runtime_error {
 public:
  enum class Kind { noGraphics };

  /// No usable OpenGL 4.1 device or context; `detail` says why, for logs and tests only.
  static StudioError noGraphics(std::string detail = {});

  Kind kind() const { return kind_; }
  /// The developer-facing reason (never shown to users).
  const std::string& detail() const { return detail_; }
  /// The full sentence shown to the user, in the user's language.
  std::string userText() const;

 private:
  StudioError(Kind kind, std::string detail);
  Kind kind_;
  std::string detail_;
};

}  // namespace vantorel
