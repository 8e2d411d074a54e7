#include "output/frame_pipeline.h"

#include "output/cancelled.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <semaphore>

using namespace vantorel;
using namespace std::chrono_literals;

namespace {
Image numbered(int n) {
  Image image(1, 1, true);
  image.pixels[0] = std::uint8_t(n);
  return image;
}
}  // namespace

TEST(FramePipeline, EncodesEveryFrameInOrderOnAnotherThread) {
  std::vector<int> seen;
  std::thread::id encoderThread;
  FramePipeline pipeline(2, [&](Image&& image) {
    encoderThread = std::this_thread::get_id();
    seen.push_back(image.pixels[0]);
  }, {});
  for (int i = 0; i < 50; ++i) pipeline.push(numbered(i));
  pipeline.finish();
  ASSERT_EQ(seen.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[std::size_t(i)], i);
  EXPECT_NE(encoderThread, std::this_thread::get_id());
}

TEST(FramePipeline, DrawingOverlapsEncodingButTheQueueStaysBounded) {
  std::binary_semaphore release(0);
  std::atomic<int> started{0};
  FramePipeline pipeline(2, [&](Image&&) {
    ++started;
    release.acquire();
  }, {});
  // The encoder holds one frame and two wait: the writer can run ahead by that much only.
  pipeline.push(numbered(0));
  while (started == 0) std::this_thread::sleep_for(1ms);
  pipeline.push(numbered(1));
  pipeline.push(numbered(2));
  auto blocked = std::async(std::launch::async, [&] { pipeline.push(numbered(3)); });
  EXPECT_EQ(blocked.wait_for(100ms), std::future_status::timeout);
  release.release();
  EXPECT_EQ(blocked.wait_for(2s), std::future_status::ready);
  for (int i = 0; i < 3; ++i) release.release();
  pipeline.finish();
  EXPECT_EQ(started, 4);
}

TEST(FramePipeline, EncoderFailureReachesTheWriter) {
  struct Full {};
  FramePipeline pipeline(1, [&](Image&& image) {
    if (image.pixels[0] == 3) throw Full{};
  }, {});
  EXPECT_THROW(
      {
        for (int i = 0; i < 100; ++i) pipeline.push(numbered(i));
        pipeline.finish();
      },
      Full);
}

TEST(FramePipeline, StopWhileWaitingForRoomIsCancellation) {
  std::stop_source stop;
  std::binary_semaphore release(0);
  {
    FramePipeline pipeline(1, [&](Image&&) { release.acquire(); }, stop.get_token());
    pipeline.push(numbered(0));
    pipeline.push(numbered(1));
    auto waiting = std::async(std::launch::async, [&] { pipeline.push(numbered(2)); });
    std::this_thread::sleep_for(20ms);
    stop.request_stop();
    EXPECT_THROW(waiting.get(), Cancelled);
    release.release();
    release.release();
  }  // the destructor drops what waits and joins without hanging
}
