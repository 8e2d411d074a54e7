// Times building the render mesh of the one-million-triangle benchmark model, the work a studio does
// once per object when it is made, beside the time to load that model from a binary STL.
#include "bench_support.h"

#include "input/model_loader.h"
#include "staging/render_mesh.h"

#include <cstdio>

using namespace vantorel;

int main() {
  const ModelObject mesh = bench::closedMesh(1'000'000);
  bench::ScratchFolder scratch;
  const auto stl = scratch.path / "knot.stl";
  bench::writeBinarySTL(mesh, stl);

  PrintModel loaded;
  bench::resetPeakMemory();
  const double beforeLoad = bench::peakMemoryMiB();
  const bench::Timing load = bench::time(5, [&] { loaded = ModelLoader::load(stl); }, 1);
  const double loadPeak = bench::peakMemoryMiB() - beforeLoad;
  const ModelObject& object = loaded.objects.at(0);

  RenderMesh built;
  bench::resetPeakMemory();
  const double beforeBuild = bench::peakMemoryMiB();
  const bench::Timing build = bench::time(5, [&] { built = RenderMesh::build(object, RenderMesh::kStudioCreaseAngle); }, 1);
  const double buildPeak = bench::peakMemoryMiB() - beforeBuild;

  std::size_t indices = 0;
  for (const auto& g : built.groups) indices += g.indices.size();
  std::printf("render mesh, %zu triangles, %zu vertices in -> %zu vertices out, %zu indices\n", object.triangleCount(),
              object.positions.size(), built.positions.size(), indices);
  std::printf("  load binary STL      min %s  median %s  (peak +%.0f MiB)\n", bench::formatMs(load.minMs).c_str(),
              bench::formatMs(load.medianMs).c_str(), loadPeak);
  std::printf("  build render mesh    min %s  median %s  (peak +%.0f MiB)\n", bench::formatMs(build.minMs).c_str(),
              bench::formatMs(build.medianMs).c_str(), buildPeak);
  std::printf("  build / load         %.2f\n", build.medianMs / load.medianMs);
  std::printf("  budget 1000 ms:      %s\n", build.medianMs < 1000 ? "met" : "MISSED");
  return build.medianMs < 1000 ? 0 : 1;
}
