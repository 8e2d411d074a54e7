// Model loading: our readers against assimp on the same one-million-triangle files, with the floor
// (reading the file from the page cache) and the peak memory of each load.
#include "bench_support.h"

#include "input/model_loader.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cstdio>
#include <unistd.h>

using namespace vantorel;
using namespace vantorel::bench;

namespace {

void compare(const char* label, const std::filesystem::path& file, double goal) {
  const double fileMiB = double(std::filesystem::file_size(file)) / (1024.0 * 1024.0);
  Timing floor;
  {
    FileFloor reader(file);
    floor = time(5, [&] { reader.read(); }, 1);
  }

  // Peak memory of one load on its own, above what the process held before, with no memory kept
  // from earlier loads to draw on.
  hugepages::releaseKept();
  const double before = currentRssMiB();
  resetPeakMemory();
  double meshMiB = 0;
  {
    const PrintModel m = ModelLoader::load(file);
    meshMiB = double(m.vertexCount() * sizeof(Float3) + m.triangleCount() * 12) / (1024.0 * 1024.0);
  }
  const double peak = peakMemoryMiB() - before;

  std::size_t triangles = 0, vertices = 0, assimpTriangles = 0;
  const auto loadOurs = [&] {
    const PrintModel m = ModelLoader::load(file);
    triangles = m.triangleCount();
    vertices = m.vertexCount();
  };
  const auto loadAssimp = [&] {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(file.string(), aiProcess_JoinIdenticalVertices | aiProcess_Triangulate);
    assimpTriangles = 0;
    for (unsigned i = 0; scene && i < scene->mNumMeshes; ++i) assimpTriangles += scene->mMeshes[i]->mNumFaces;
  };
  // Three of our loads, then one of assimp's, five times over: this machine's speed drifts, and
  // alternating lets a slow spell weigh on both sides of the ratio alike. Each round starts with an
  // untimed load of ours: after a second of assimp on one core, the idle second core of a virtual
  // machine takes a while to be scheduled again.
  std::vector<double> oursMs, assimpMs;
  for (int round = 0; round < 5; ++round) {
    loadOurs();
    for (int i = 0; i < 3; ++i) oursMs.push_back(timeOnce(loadOurs));
    assimpMs.push_back(timeOnce(loadAssimp));
  }
  const Timing ours = summary(oursMs), assimp = summary(assimpMs);

  const double ratio = assimp.medianMs / ours.medianMs;
  std::printf("%-11s %6.1f MiB  %zu triangles, %zu vertices (assimp: %zu triangles)\n", label, fileMiB, triangles,
              vertices, assimpTriangles);
  std::printf("  floor (read file)  min %-9s median %s\n", formatMs(floor.minMs).c_str(), formatMs(floor.medianMs).c_str());
  std::printf("  vantorel           min %-9s median %-9s = %.1f x the floor\n", formatMs(ours.minMs).c_str(),
              formatMs(ours.medianMs).c_str(), ours.medianMs / floor.medianMs);
  std::printf("  assimp             min %-9s median %s\n", formatMs(assimp.minMs).c_str(), formatMs(assimp.medianMs).c_str());
  std::printf("  speed-up vs assimp %.1f x (goal %.0f x) %s\n", ratio, goal, ratio >= goal ? "met" : "MISSED");
  std::printf("  peak memory of one load %.1f MiB (mesh %.1f MiB + file %.1f MiB + 64 MiB = %.1f MiB budget) %s\n\n",
              peak, meshMiB, fileMiB, meshMiB + fileMiB + 64, peak <= meshMiB + fileMiB + 64 ? "met" : "MISSED");
}

}  // namespace

int main() {
  ScratchFolder scratch;
  {
    const ModelObject mesh = closedMesh(1'000'000);
    std::printf("benchmark mesh: %zu triangles, %zu vertices, written to %s\n\n", mesh.triangleCount(),
                mesh.positions.size(), scratch.path.c_str());
    writeBinarySTL(mesh, scratch.path / "knot-binary.stl");
    writeAsciiSTL(mesh, scratch.path / "knot-ascii.stl");
    writeOBJ(mesh, scratch.path / "knot.obj");
  }
  // Let the kernel write the fresh files out now rather than while the loads are being timed.
  ::sync();
  compare("binary STL", scratch.path / "knot-binary.stl", 30);
  compare("ASCII STL", scratch.path / "knot-ascii.stl", 10);
  compare("OBJ", scratch.path / "knot.obj", 8);
}
