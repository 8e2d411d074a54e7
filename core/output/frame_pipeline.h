#pragma once
// Render/encode overlap: the writing thread draws frame i + 1 while an encoder thread compresses
// frame i. A bounded queue keeps memory flat however many frames pass through.
#include "base/image.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <cstdint>
#include <stop_token>
#include <thread>

namespace vantorel {

class FramePipeline {
public:
  /// Called on the encoder thread, once per pushed frame, in push order. May throw: the pipeline
  /// stops and the exception reaches the writing thread at its next push() or finish().
  using Encode = std::function<void(Image&& frame)>;

  /// Starts the encoder thread. At most `depth` frames (≥ 1) wait in the queue, so at most
  /// depth + 2 pictures are alive at once: those waiting, the one being encoded, the one drawn.
  /// A stop request on `stop` makes the encoder thread leave between frames with Cancelled.
  FramePipeline(std::size_t depth, Encode encode, std::stop_token stop);
  /// Without a successful finish(): drops waiting frames and joins the encoder thread.
  ~FramePipeline();
  FramePipeline(const FramePipeline&) = delete;
  FramePipeline& operator=(const FramePipeline&) = delete;

  /// Hands `frame` to the encoder thread, waiting while the queue is full. Throws the encoder's
  /// exception if it has failed, and Cancelled when a stop is requested while waiting.
  void push(Image frame);
  /// Waits until every pushed frame is encoded and the thread has ended; then throws the encoder's
  /// exception if it failed, else returns. Throws Cancelled when a stop is requested while waiting.
  void finish();

private:
  void run();
  void rethrowFailure();  // with mutex_ held

  const std::size_t depth_;
  const Encode encode_;
  const std::stop_token stop_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::deque<Image> queue_;
  bool closed_ = false;   // no more frames will come
  bool aborted_ = false;  // drop what waits and leave
  bool done_ = false;     // the encoder thread has left its loop
  std::exception_ptr failure_;
  std::thread thread_;
};

/// The encoding threads' priority. The rasteriser spreads each frame over every core and waits for
/// the slowest part, so an encoder thread taking a core from it in the middle of a frame stalls the
/// whole frame. Scheduled as idle work (and at this nice value where that is refused), the encoders
/// run in the gaps the rasteriser leaves (set-up, read-back, compositing); when they fall behind,
/// the full queue stops the drawing and they have the cores to themselves, so they never starve.
inline constexpr int kEncoderNice = 19;
/// Gives the calling thread, and the threads it starts from now on, the encoders' priority.
void lowerThisThreadsPriority();

/// The drawing loop both writers share: draws frame(0) … frame(count − 1) on this thread, each once
/// and in order, and hands each to `encode` on the pipeline's thread while the next one is drawn;
/// reports (i + 1) ÷ count once frame i is queued. Throws Cancelled before a frame when `stop` is
/// requested, ExportError::render for a missing or malformed picture, and whatever `frame` or
/// `encode` throws.
void drawThrough(std::int64_t count, const std::function<std::optional<Image>(std::int64_t)>& frame,
                 const std::function<void(double)>& progress, const FramePipeline::Encode& encode,
                 std::stop_token stop);

}  // namespace vantorel
