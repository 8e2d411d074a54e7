#pragma once
// The one error type of the output subsystem: every export failure with its user-facing sentence.
#include <exception>
#include <string>

namespace vantorel {

class ExportError : public std::exception {
public:
  enum class Kind { video, image, exists, render };

  /// "The video couldn't be written: " + `what` + "." (`what`: a writer's lower-case phrase without a
  /// final full stop, or a library's own error description).
  static ExportError video(std::string what);
  /// "The image couldn't be written: " + `what` + ".".
  static ExportError image(std::string what);
  /// "“" + `fileName` + "” already exists, so it wasn't replaced." (`fileName`: last path component).
  static ExportError exists(std::string fileName);
  /// "A frame couldn't be drawn."
  static ExportError render();

  Kind kind() const { return kind_; }
  const std::string& payload() const { return payload_; }

  /// The sentence the user sees, in the user's language (the payload is looked up too, so the
  /// writers' fixed phrases translate; library descriptions pass through unchanged).
  std::string userText() const;
  /// The English sentence (for logs and uncaught errors).
  const char* what() const noexcept override { return english_.c_str(); }

  bool operator==(const ExportError& other) const { return kind_ == other.kind_ && payload_ == other.payload_; }

private:
  ExportError(Kind kind, std::string payload);
  Kind kind_;
  std::string payload_;
  std::string english_;
};

}  // namespace vantorel
