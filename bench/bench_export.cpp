// The main job end to end on the sample vase: the default listing video (1080 × 1080, 10 s,
// 30 fps, H.264), the 600 × 600 GIF and the seven 1080 × 1080 product shots. Each is timed three
// ways in the same run: rendering only, encoding only (frames drawn beforehand, fed from memory)
// and the real export, where rendering and encoding overlap. Then the same video of a dense
// 500k-triangle scan-like model, whose triangles are below a pixel, against the vase's.
#include "bench_support.h"

#include "input/sample_models.h"
#include "output/exporter.h"
#include "output/gif_writer.h"
#include "output/video_writer.h"

#include <chrono>
#include <cstdio>

using namespace vantorel;
using namespace vantorel::bench;

namespace {

double seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* what, double render, double encode, double real, const char* goal, bool met) {
  std::printf("%-22s render only %6.2f s   encode only %6.2f s   real export %6.2f s   %s: %s\n", what, render,
              encode, real, goal, met ? "met" : "MISSED");
}

}  // namespace

int main() {
  auto studio = Studio::create(SampleModels::twistedVase(), Look{});
  std::printf("renderer: %s\n\n", studio->rendererName().c_str());
  ScratchFolder scratch;
  int run = 0;
  const auto fresh = [&](const char* name) { return scratch.path / (std::to_string(++run) + name); };

  // Video.
  const VideoSpec video;
  const PixelSize vs = video.size();
  const auto count = video.frameCount();
  std::vector<Image> held;
  const double renderVideo = seconds([&] {
    for (std::int64_t i = 0; i < count; ++i) {
      auto image = studio->render(int(vs.width), int(vs.height), video.angle(i));
      if (i % 10 == 0 && held.size() < 30) held.push_back(std::move(*image));
    }
  });
  const double encodeVideo = seconds([&] {
    VideoWriter::write(fresh(".mp4"), vs, video.fps, count, video.codec, false, {},
                       [&](std::int64_t i) -> std::optional<Image> { return held[std::size_t(i) % held.size()]; });
  });
  held.clear();
  held.shrink_to_fit();
  resetPeakMemory();
  const double before = peakMemoryMiB();
  const double realVideo = seconds([&] { Exporter::video(*studio, video, fresh(".mp4"), false); });
  const double videoMemory = peakMemoryMiB() - before;
  report("video 1080², 300 fr.", renderVideo, encodeVideo, realVideo, "real ≤ 1.1 × render", realVideo <= 1.1 * renderVideo);
  std::printf("%-22s real ÷ render = %.2f; peak memory during the export +%.0f MiB (flat: a few frames)\n", "",
              realVideo / renderVideo, videoMemory);
  {
    PrintModel dense;
    dense.name = "Scan-like model";
    dense.objects.push_back(scanLikeMesh(500'000));
    auto denseStudio = Studio::create(std::move(dense), Look{});
    const double realDense = seconds([&] { Exporter::video(*denseStudio, video, fresh(".mp4"), false); });
    const double ratio = realDense / realVideo;
    std::printf("%-22s real export %6.2f s   ÷ vase's real export = %.2f   goal ≤ 1.3: %s\n\n",
                "video, scan-like 500k", realDense, ratio, ratio <= 1.3 ? "met" : "MISSED");
  }

  // GIF.
  const GIFSpec gif;
  const PixelSize gs = gif.size();
  const auto gifCount = gif.frameCount();
  const double renderGIF = seconds([&] {
    for (std::int64_t i = 0; i < gifCount; ++i) {
      auto image = studio->render(int(gs.width), int(gs.height), Turntable::angle(i, gifCount, false));
      if (held.size() < 20 && i % 10 == 0) held.push_back(std::move(*image));
    }
  });
  const double encodeGIF = seconds([&] {
    GIFWriter::write(fresh(".gif"), gs, gif.fps, gifCount, false, {},
                     [&](std::int64_t i) -> std::optional<Image> { return held[std::size_t(i) % held.size()]; }, {},
                     std::span<const Image>(held.data(), 4));
  });
  const double realGIF = seconds([&] { Exporter::gif(*studio, gif, fresh(".gif"), false); });
  report("GIF 600², 200 fr.", renderGIF, encodeGIF, realGIF, "real ≤ render + 3 s", realGIF <= renderGIF + 3);

  // Stills.
  const StillSpec stills;
  const PixelSize ss = stills.size();
  const double renderStills = seconds([&] {
    for (int i = 0; i < 7; ++i) studio->render(int(ss.width), int(ss.height), float(i));
  });
  const auto folder = scratch.path / "stills";
  std::filesystem::create_directories(folder);
  const double realStills = seconds([&] { Exporter::stills(*studio, stills, folder, "Vase"); });
  std::printf("%-22s render only %6.2f s   real export %6.2f s (PNG encoding %.2f s)\n", "7 stills 1080²", renderStills,
              realStills, realStills - renderStills);
}
