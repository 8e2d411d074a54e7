#pragma once
// Ctrl+C, a hang-up or a termination request as a clean cancellation: the first of them asks the
// running export to stop, and it removes the file it was writing on the way out. Later signals
// change nothing: ending at once would leave that file behind, and the stop takes well under a
// second (it is checked between frames).
#include <stop_token>

namespace vantorel::cli {

class InterruptToStop {
public:
  InterruptToStop();
  ~InterruptToStop();
  InterruptToStop(const InterruptToStop&) = delete;
  InterruptToStop& operator=(const InterruptToStop&) = delete;

  std::stop_token token() const { return source_.get_token(); }
  bool interrupted() const { return source_.stop_requested(); }
  /// The exit status of a program ended by the first signal: 128 + its number (130 for SIGINT,
  /// 143 for SIGTERM, 129 for SIGHUP); 130 before any signal arrived.
  int exitStatus() const;

private:
  std::stop_source source_;
  struct Watcher;
  Watcher* watcher_;
};

}  // namespace vantorel::cli
