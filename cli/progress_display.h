#pragma once
// Progress of a long export on the terminal: a redrawn bar with percentage, current part and time
// left on a terminal; plain lines (one per whole ten per cent) when the output is a file or pipe.
#include <chrono>
#include <cstdio>
#include <string>

namespace vantorel::cli {

class ProgressDisplay {
public:
  explicit ProgressDisplay(std::FILE* stream);
  /// `fraction` 0…1 of the whole; `part` names what is being made now ("video", "GIF" …).
  void update(double fraction, const std::string& label);
  /// Ends the bar's line (if any) so that later output starts on a fresh line.
  void finish();

private:
  std::FILE* stream_;
  bool terminal_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_{};
  int lastTenth_ = -1;
  bool drawn_ = false;
};

}  // namespace vantorel::cli
