// The same model and options give the same bytes on every run (software rasteriser, one machine).
#include "output/exporter.h"
#include "input/sample_models.h"

#include "media_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace vantorel;
using namespace vantorel::test;

TEST(RepeatableExport, TwoRunsWriteIdenticalFiles) {
  ExportJob job;
  job.video = VideoSpec{1, 3, Aspect::square, Resolution::r720, VideoCodec::h264, false};
  job.gif = GIFSpec{48, 4, 1, Aspect::square};
  job.stills = StillSpec{Aspect::square, Resolution::r720, false, true};
  const ScratchFolder first, second;
  // Each run on a fresh studio, as in a new process, and a second apart: a clock in the container
  // (whose times count whole seconds) would show.
  const auto started = std::chrono::steady_clock::now();
  const auto files = Exporter::run(job, *Studio::create(SampleModels::twistedVase(), Look{}), first.path(), "Vase");
  std::this_thread::sleep_until(started + std::chrono::milliseconds(1100));
  const auto again = Exporter::run(job, *Studio::create(SampleModels::twistedVase(), Look{}), second.path(), "Vase");
  ASSERT_EQ(files.size(), 3u);
  ASSERT_EQ(again.size(), 3u);
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_TRUE(readText(files[i]) == readText(again[i])) << files[i].filename() << " differs between runs";
  }
  // No library version strings: they would change the bytes with an FFmpeg update alone.
  EXPECT_EQ(readText(files[0]).find("Lavf"), std::string::npos);
}
