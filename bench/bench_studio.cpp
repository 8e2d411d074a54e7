// Milliseconds per turntable frame on this machine's GL (llvmpipe unless a GPU is present): the
// vase and a one-million-triangle mesh at 1080² and 720², 4× multisampling, soft shadow, PBR and
// compositing, split by pass; and the time to make a studio, which bakes the model's ambient
// occlusion (100 to 150 ms of it on llvmpipe for either model).
#include "bench_support.h"

#include "input/sample_models.h"
#include "studio/studio.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace vantorel;

namespace {

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void frames(Studio& studio, const char* name, int size, int count) {
  std::vector<RenderTimings> all;
  std::vector<double> totals;
  for (int i = 0; i < count; ++i) {
    RenderTimings t;
    const auto start = std::chrono::steady_clock::now();
    const auto image = studio.render(size, size, float(i) * 0.1f, std::nullopt, FramingMode::turntable, true, &t);
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!image) {
      std::printf("%s %d: no picture\n", name, size);
      return;
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
  // Without per-pass synchronisation, as an export renders.
  std::vector<double> plain;
  for (int i = 0; i < count; ++i) {
    const auto start = std::chrono::steady_clock::now();
    (void)studio.render(size, size, float(i) * 0.1f);
    plain.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("%-28s %4d²  frame %7.1f ms without per-pass timing\n", name, size, median(plain));
}

}  // namespace

int main() {
  try {
    const auto makeStart = std::chrono::steady_clock::now();
    auto vase = Studio::create(SampleModels::twistedVase(), Look{});
    const double vaseCreate = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - makeStart).count();
    std::printf("renderer: %s\n", vase->rendererName().c_str());
    std::printf("studio creation, vase (15,600 triangles): %.0f ms\n", vaseCreate);
    frames(*vase, "vase", 1080, 15);
    frames(*vase, "vase", 720, 15);

    PrintModel big;
    big.name = "Benchmark mesh";
    big.objects.push_back(bench::closedMesh(1'000'000));
    const std::size_t triangles = big.triangleCount();
    const auto bigStart = std::chrono::steady_clock::now();
    auto heavy = Studio::create(std::move(big), Look{});
    const double bigCreate = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - bigStart).count();
    std::printf("studio creation, benchmark mesh (%zu triangles): %.0f ms\n", triangles, bigCreate);
    frames(*heavy, "benchmark mesh (1M)", 1080, 5);
    frames(*heavy, "benchmark mesh (1M)", 720, 5);
  } catch (const StudioError& e) {
    std::printf("no graphics: %s\n", e.detail().c_str());
    return 1;
  }
  return 0;
}
