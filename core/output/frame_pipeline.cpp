#include "output/frame_pipeline.h"

#include "output/cancelled.h"
#include "output/export_error.h"
#include "output/frame_checks.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vantorel {

FramePipeline::FramePipeline(std::size_t depth, Encode encode, std::stop_token stop)
    : depth_(depth < 1 ? 1 : depth), encode_(std::move(encode)), stop_(std::move(stop)) {
  thread_ = std::thread([this] { run(); });
}

FramePipeline::~FramePipeline() {
  {
    std::lock_guard lock(mutex_);
    aborted_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void lowerThisThreadsPriority() {
  // Linux keeps the policy and nice value per thread, and threads started from this one inherit them.
  (void)::setpriority(PRIO_PROCESS, pid_t(::syscall(SYS_gettid)), kEncoderNice);
  sched_param none{};
  (void)::sched_setscheduler(0, SCHED_IDLE, &none);
}

void FramePipeline::run() {
  lowerThisThreadsPriority();
  for (;;) {
    Image frame;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return aborted_ || !queue_.empty() || closed_; });
      if (aborted_ || queue_.empty()) break;
      frame = std::move(queue_.front());
      queue_.pop_front();
    }
    changed_.notify_all();  // room in the queue
    try {
      if (stop_.stop_requested()) throw Cancelled();
      encode_(std::move(frame));
    } catch (...) {
      std::lock_guard lock(mutex_);
      failure_ = std::current_exception();
      break;
    }
  }
  {
    std::lock_guard lock(mutex_);
    done_ = true;
    queue_.clear();
  }
  changed_.notify_all();
}

void FramePipeline::rethrowFailure() {
  if (failure_) std::rethrow_exception(failure_);
}

void FramePipeline::push(Image frame) {
  std::unique_lock lock(mutex_);
  const bool woke = changed_.wait(lock, stop_, [&] { return done_ || queue_.size() < depth_; });
  rethrowFailure();
  if (!woke) throw Cancelled();
  if (done_) throw Cancelled();  // the thread only ends early on failure or abort
  queue_.push_back(std::move(frame));
  lock.unlock();
  changed_.notify_all();
}

void FramePipeline::finish() {
  {
    std::unique_lock lock(mutex_);
    closed_ = true;
    changed_.notify_all();
    const bool woke = changed_.wait(lock, stop_, [&] { return done_; });
    rethrowFailure();
    if (!woke) throw Cancelled();
  }
  thread_.join();
}

void drawThrough(std::int64_t count, const std::function<std::optional<Image>(std::int64_t)>& frame,
                 const std::function<void(double)>& progress, const FramePipeline::Encode& encode,
                 std::stop_token stop) {
  if (count <= 0) return;
  FramePipeline pipeline(kFrameQueueDepth, encode, stop);
  for (std::int64_t i = 0; i < count; ++i) {
    if (stop.stop_requested()) throw Cancelled();
    std::optional<Image> image = frame(i);
    if (!image || !isDrawable(*image)) throw ExportError::render();
    pipeline.push(std::move(*image));
    if (progress) progress(double(i + 1) / double(count));
  }
  pipeline.finish();
}

}  // namespace vantorel
