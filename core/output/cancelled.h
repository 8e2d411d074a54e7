#pragma once
// The error every long operation throws when its std::stop_token asks it to stop.
#include <exception>

namespace vantorel {

/// Thrown where a cooperative cancellation point finds a stop requested. Carries no text: the caller
/// asked for the stop, so nothing is shown to the user.
struct Cancelled : std::exception {
  const char* what() const noexcept override { return "cancelled"; }
};

}  // namespace vantorel
