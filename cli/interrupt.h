#pragma once
// Ctrl+C as a clean cancellation: the first interrupt asks the running export to stop (it removes
// its partial file and returns); a second one ends the program at once.
#include <stop_token>

namespace vantorel::cli {

class InterruptToStop {
public:
  InterruptToStop();
  ~InterruptToStop();
  std::stop_token token() const { return source_.get_token(); }
  bool interrupted() const { return source_.stop_requested(); }

private:
  std::stop_source source_;
  struct Watcher;
  Watcher* watcher_;
};

}  // namespace vantorel::cli
