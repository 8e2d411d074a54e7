// Milliseconds per turntable frame on this machine's GL (llvmpipe unless a GPU is present): the
// vase, a one-million-triangle mesh and a 500k-triangle scan-like model at 1080² and 720², 4×
// multisampling, soft shadow, PBR and compositing, split by pass; the time to make a studio, which
// bakes the model's ambient occlusion (100 to 150 ms of it on llvmpipe for either model), and of
// the first frame at each size, which makes the simplified copies a dense model is drawn from.
// The scan-like model is drawn twice: every object whole (as before the detail levels), then with
// the copies matched to the picture.
#include "bench_support.h"

#include "input/sample_models.h"
#include "studio/studio.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <vector>

using namespace vantorel;

namespace {

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::size_t drawn(Studio& studio, int size) {
  const auto each = studio.drawnTriangles(size, size);
  return std::accumulate(each.begin(), each.end(), std::size_t(0));
}

// The median frame without per-pass synchronisation (as an export renders), in ms; 0 when no
// picture. The first frame at a size is timed on its own: it makes the copies that size draws.
double frames(Studio& studio, const char* name, int size, int count) {
  const auto firstStart = std::chrono::steady_clock::now();
  if (!studio.render(size, size, 0)) {
    std::printf("%s %d: no picture\n", name, size);
    return 0;
  }
  const double first = msSince(firstStart);
  std::vector<RenderTimings> all;
  std::vector<double> totals;
  for (int i = 0; i < count; ++i) {
    RenderTimings t;
    const auto start = std::chrono::steady_clock::now();
    const auto image = studio.render(size, size, float(i) * 0.1f, std::nullopt, FramingMode::turntable, true, &t);
    const double wall = msSince(start);
    if (!image) {
      std::printf("%s %d: no picture\n", name, size);
      return 0;
    }
    all.push_back(t);
    totals.push_back(wall);
  }
  auto pass = [&](double RenderTimings::*field) {
    std::vector<double> v;
    for (const auto& t : all) v.push_back(t.*field);
    return median(v);
  };
  std::printf("%-28s %4d²  frame %7.1f ms (median of %d)  shadow %6.1f  colour %6.1f  resolve %5.1f  read-back %5.1f  composite %5.1f\n",
              name, size, median(totals), count, pass(&RenderTimings::shadow), pass(&RenderTimings::colour),
              pass(&RenderTimings::resolve), pass(&RenderTimings::readBack), pass(&RenderTimings::composite));
  std::vector<double> plain;
  for (int i = 0; i < count; ++i) {
    const auto start = std::chrono::steady_clock::now();
    (void)studio.render(size, size, float(i) * 0.1f);
    plain.push_back(msSince(start));
  }
  const double result = median(plain);
  std::printf("%-28s %4d²  frame %7.1f ms without per-pass timing; first frame %.0f ms; %zu triangles drawn\n", name,
              size, result, first, drawn(studio, size));
  return result;
}

std::shared_ptr<Studio> made(PrintModel model, const char* name) {
  const std::size_t triangles = model.triangleCount();
  const auto start = std::chrono::steady_clock::now();
  auto studio = Studio::create(std::move(model), Look{});
  std::printf("studio creation, %s (%zu triangles): %.0f ms\n", name, triangles, msSince(start));
  return studio;
}

PrintModel scanLike() {
  PrintModel model;
  model.name = "Scan-like model";
  model.objects.push_back(bench::scanLikeMesh(500'000));
  return model;
}

}  // namespace

int main() {
  try {
    double vase1080 = 0;
    {
      auto vase = made(SampleModels::twistedVase(), "vase");
      std::printf("renderer: %s\n", vase->rendererName().c_str());
      vase1080 = frames(*vase, "vase", 1080, 15);
      frames(*vase, "vase", 720, 15);
    }
    {
      PrintModel big;
      big.name = "Benchmark mesh";
      big.objects.push_back(bench::closedMesh(1'000'000));
      auto heavy = made(std::move(big), "benchmark mesh");
      frames(*heavy, "benchmark mesh (1M)", 1080, 5);
      frames(*heavy, "benchmark mesh (1M)", 720, 5);
    }
    {
      auto before = made(scanLike(), "scan-like, drawn whole");
      before->drawWhole();
      frames(*before, "scan-like (500k) before", 1080, 5);
      frames(*before, "scan-like (500k) before", 720, 5);
    }
    double dense1080 = 0;
    {
      auto after = made(scanLike(), "scan-like");
      dense1080 = frames(*after, "scan-like (500k) after", 1080, 5);
      frames(*after, "scan-like (500k) after", 720, 5);
    }
    const double ratio = vase1080 > 0 ? dense1080 / vase1080 : 0;
    std::printf("scan-like 1080² frame ÷ vase's = %.2f   goal ≤ 1.3: %s\n", ratio,
                vase1080 > 0 && dense1080 > 0 && ratio <= 1.3 ? "met" : "MISSED");
  } catch (const StudioError& e) {
    std::printf("no graphics: %s\n", e.detail().c_str());
    return 1;
  }
  return 0;
}
