#pragma once
// Shared pieces of the timing programs: a deterministic test mesh, timing statistics, peak memory.
#include "input/print_model.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantorel::bench {

/// A closed, watertight torus-knot-like tube of about `triangles` triangles (deterministic).
ModelObject closedMesh(std::size_t triangles);
/// A dense, smooth, scan-like closed object of about `triangles` triangles (deterministic): an
/// upright, gently lumpy ellipsoid 28 × 28 × 80 mm whose triangles, at 500k, are below a pixel of a
/// 1080² turntable picture, as a scanned or finely exported model's are.
ModelObject scanLikeMesh(std::size_t triangles);

void writeBinarySTL(const ModelObject& mesh, const std::filesystem::path& path);
void writeAsciiSTL(const ModelObject& mesh, const std::filesystem::path& path);
void writeOBJ(const ModelObject& mesh, const std::filesystem::path& path);

struct Timing {
  double minMs = 0, medianMs = 0;
};

/// Runs `work` `runs` times (after `warmups` untimed runs) and returns min and median wall time.
Timing time(int runs, const std::function<void()>& work, int warmups = 0);
/// The wall time of one run of `work`, in milliseconds.
double timeOnce(const std::function<void()>& work);
/// Min and median of some run times (at least one).
Timing summary(std::vector<double> ms);

/// The process's resident memory now, in MiB.
double currentRssMiB();
/// The process's peak resident memory so far, in MiB (VmHWM).
double peakMemoryMiB();
/// Resets the peak (writes 5 to /proc/self/clear_refs) so the next reading covers what follows.
void resetPeakMemory();

/// Reads the whole file with read(2) into a buffer.
void readWholeFile(const std::filesystem::path& path, std::vector<char>& buffer);

/// The floor any loader pays: the whole file read with read(2) into a reused page-aligned buffer.
/// A plain vector's memory may start 16 bytes into a page, and the kernel copies into memory off
/// a cache line's boundary at a third of its speed here, which would put the floor too high.
class FileFloor {
public:
  explicit FileFloor(const std::filesystem::path& path);
  void read();

private:
  std::filesystem::path path_;
  std::size_t size_;
  std::unique_ptr<char, void (*)(void*)> buffer_;
};

/// A folder under the temporary directory, removed at exit of the object.
struct ScratchFolder {
  ScratchFolder();
  ~ScratchFolder();
  std::filesystem::path path;
};

std::string formatMs(double ms);

}  // namespace vantorel::bench
