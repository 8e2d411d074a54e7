#include "interrupt.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

namespace vantorel::cli {
namespace {

constexpr int stopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> firstSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");

extern "C" void onStopSignal(int signal) {
  int none = 0;
  firstSignal.compare_exchange_strong(none, signal);
}

}  // namespace

// A signal handler may only touch lock-free atomics, so a small thread turns the flag into a stop
// request on the token the export watches.
struct InterruptToStop::Watcher {
  struct sigaction previous[std::size(stopSignals)] {};
  bool installed[std::size(stopSignals)] {};
  struct sigaction previousPipe {};
  std::jthread thread;
};

InterruptToStop::InterruptToStop() : watcher_(new Watcher) {
  firstSignal = 0;
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(stopSignals); ++i) {
    // A signal ignored by whoever started us (nohup, a background job of a script) stays ignored.
    struct sigaction& previous = watcher_->previous[i];
    if (::sigaction(stopSignals[i], nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
    watcher_->installed[i] = ::sigaction(stopSignals[i], &action, nullptr) == 0;
  }
  // A reader that went away (`| tee` ended by the same Ctrl+C) must not end us before the clean-up
  // and the report: the write fails instead.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &watcher_->previousPipe);
  watcher_->thread = std::jthread([this](std::stop_token done) {
    while (!done.stop_requested()) {
      if (firstSignal.load() != 0) {
        source_.request_stop();
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
}

InterruptToStop::~InterruptToStop() {
  watcher_->thread = {};  // joins it
  // After a stop the process is on its way out with the first signal's status: a second signal
  // arriving now (an impatient Ctrl+C, a supervisor's follow-up) must not turn that into a death
  // by signal while the exit is still under way, so the stop signals are ignored from here on.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  const bool stopping = firstSignal.load() != 0;
  for (std::size_t i = 0; i < std::size(stopSignals); ++i) {
    if (watcher_->installed[i]) ::sigaction(stopSignals[i], stopping ? &ignore : &watcher_->previous[i], nullptr);
  }
  ::sigaction(SIGPIPE, &watcher_->previousPipe, nullptr);
  delete watcher_;
}

int InterruptToStop::exitStatus() const {
  const int signal = firstSignal.load();
  return 128 + (signal ? signal : SIGINT);
}

}  // namespace vantorel::cli
