#include "interrupt.h"

#include <atomic>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace vantorel::cli {
namespace {
std::atomic<int> interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");

extern "C" void onInterrupt(int) {
  if (interrupts.fetch_add(1) >= 1) ::_exit(130);
}
}  // namespace

// A signal handler may only touch lock-free atomics, so a small thread turns the flag into a stop
// request on the token the export watches.
struct InterruptToStop::Watcher {
  std::jthread thread;
};

InterruptToStop::InterruptToStop() : watcher_(new Watcher) {
  interrupts = 0;
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  watcher_->thread = std::jthread([this](std::stop_token done) {
    while (!done.stop_requested()) {
      if (interrupts.load() > 0) {
        source_.request_stop();
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
}

InterruptToStop::~InterruptToStop() {
  delete watcher_;  // joins the thread
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

}  // namespace vantorel::cli
