#pragma once
#include <exception>
#include <string>

namespace vantorel {

/// Why a file was not turned into a model. Thrown by the loader and every reader.
class LoadError : public std::exception {
public:
  enum class Kind { unsupported, malformed, empty };

  /// `extension` is ".step" or the localised "no extension".
  static LoadError unsupported(std::string extension);
  /// `phrase` is lower case without a final full stop, e.g. "it isn't a ZIP archive (too short)".
  static LoadError malformed(std::string phrase);
  static LoadError empty();

  Kind kind() const { return kind_; }
  const std::string& payload() const { return payload_; }

  /// The sentence the user sees, in the user's language.
  std::string userText() const;
  /// The English sentence (for logs and uncaught errors).
  const char* what() const noexcept override { return english_.c_str(); }

  bool operator==(const LoadError& other) const { return kind_ == other.kind_ && payload_ == other.payload_; }

private:
  LoadError(Kind kind, std::string payload);
  Kind kind_;
  std::string payload_;
  std::string english_;
};

}  // namespace vantorel
