#pragma once
// What the errors of every subsystem share: a kind, a payload (a file name, a phrase, a detail) and the
// sentence built from them, in English for logs and in the user's language for people.
#include "base/localized.h"

#include <exception>
#include <string>
#include <string_view>

namespace vantorel {

/// Catch this to show any subsystem's failure; errorText() below covers everything else too.
class Error : public std::exception {
public:
  const std::string& payload() const { return payload_; }
  /// The sentence the user sees, in the user's language.
  virtual std::string userText() const = 0;
  /// The English sentence (for logs and uncaught errors).
  const char* what() const noexcept override { return english_.c_str(); }

protected:
  /// Turns an English phrase into the text to show: the identity for logs, localized() for people.
  using Phrase = std::string (*)(std::string_view);
  static std::string english(std::string_view text) { return std::string(text); }

  Error(std::string payload, std::string english) : payload_(std::move(payload)), english_(std::move(english)) {}

private:
  std::string payload_;
  std::string english_;
};

/// One subsystem's error: `Derived` gives `static std::string sentence(Kind, const std::string& payload,
/// Phrase)`, which builds the sentence once in English and again, when asked, in the user's language.
template <class Derived, class KindType>
class ErrorOf : public Error {
public:
  using Kind = KindType;
  Kind kind() const { return kind_; }
  std::string userText() const override { return Derived::sentence(kind_, payload(), localized); }
  bool operator==(const ErrorOf& other) const { return kind_ == other.kind_ && payload() == other.payload(); }

protected:
  ErrorOf(Kind kind, std::string payload)
      : Error(payload, Derived::sentence(kind, payload, english)), kind_(kind) {}

private:
  Kind kind_;
};

/// The one sentence to show for a failure of loading, drawing or exporting: an Error's user text, the
/// system's description of a file-system error (with the file's name), or the exception's own text.
std::string errorText(const std::exception& error);

}  // namespace vantorel
