#include "progress_display.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace vantorel::cli {
namespace {
std::string duration(double seconds) {
  const int s = int(std::lround(seconds));
  char text[32];
  if (s >= 3600) std::snprintf(text, sizeof text, "%d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
  else std::snprintf(text, sizeof text, "%d:%02d", s / 60, s % 60);
  return text;
}
}  // namespace

ProgressDisplay::ProgressDisplay(std::FILE* stream)
    : stream_(stream), terminal_(::isatty(::fileno(stream)) != 0), start_(std::chrono::steady_clock::now()) {}

void ProgressDisplay::update(double fraction, const std::string& label) {
  fraction = std::clamp(fraction, 0.0, 1.0);
  const auto now = std::chrono::steady_clock::now();
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  const int percent = int(fraction * 100.0);
  if (!terminal_) {
    const int tenth = int(fraction * 10.0);
    if (tenth == lastTenth_) return;
    lastTenth_ = tenth;
    std::fprintf(stream_, "%3d%%  %s\n", tenth * 10, label.c_str());
    std::fflush(stream_);
    return;
  }
  // Redraw at most every 100 ms (and always at the end) so the terminal isn't flooded.
  if (drawn_ && fraction < 1.0 && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  constexpr int width = 30;
  const int filled = int(fraction * width);
  std::string bar(std::size_t(filled), '#');
  bar.append(std::size_t(width - filled), '-');
  std::string eta = "--:--";
  if (fraction > 0.02 && elapsed > 0.5) eta = duration(elapsed * (1.0 - fraction) / fraction);
  std::fprintf(stream_, "\r[%s] %3d%%  %-14s %s left ", bar.c_str(), percent, label.c_str(), eta.c_str());
  std::fflush(stream_);
  drawn_ = true;
}

void ProgressDisplay::finish() {
  if (terminal_ && drawn_) std::fprintf(stream_, "\n");
  drawn_ = false;
}

}  // namespace vantorel::cli
