#include "bench_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>
#include <array>

namespace vantorel::bench {

ModelObject closedMesh(std::size_t triangles) {
  // A (p, q) torus knot swept by a circle: every vertex is shared by six triangles, no boundary.
  const std::size_t ringSegments = 48;
  const std::size_t rings = std::max<std::size_t>(3, triangles / (2 * ringSegments));
  ModelObject m;
  m.name = "knot";
  m.positions.reserve(rings * ringSegments);
  const double p = 2, q = 3, tube = 6;
  auto centre = [&](double t) {
    const double r = 30 + 12 * std::cos(q * t);
    return std::array<double, 3>{r * std::cos(p * t), r * std::sin(p * t), 12 * std::sin(q * t) + 40};
  };
  const double twoPi = 2 * M_PI;
  for (std::size_t i = 0; i < rings; ++i) {
    const double t = twoPi * double(i) / double(rings);
    const auto c = centre(t), n = centre(t + 1e-4);
    double tx = n[0] - c[0], ty = n[1] - c[1], tz = n[2] - c[2];
    const double tl = std::sqrt(tx * tx + ty * ty + tz * tz);
    tx /= tl, ty /= tl, tz /= tl;
    // Frame: u = normalise(t × z), v = t × u.
    double ux = ty, uy = -tx, uz = 0;
    const double ul = std::sqrt(ux * ux + uy * uy) + 1e-12;
    ux /= ul, uy /= ul;
    const double vx = ty * uz - tz * uy, vy = tz * ux - tx * uz, vz = tx * uy - ty * ux;
    for (std::size_t j = 0; j < ringSegments; ++j) {
      const double a = twoPi * double(j) / double(ringSegments);
      const double ca = std::cos(a) * tube, sa = std::sin(a) * tube;
      m.positions.push_back({float(c[0] + ca * ux + sa * vx), float(c[1] + ca * uy + sa * vy),
                             float(c[2] + ca * uz + sa * vz)});
    }
  }
  m.indices.reserve(rings * ringSegments * 6);
  for (std::size_t i = 0; i < rings; ++i) {
    const std::size_t i2 = (i + 1) % rings;
    for (std::size_t j = 0; j < ringSegments; ++j) {
      const std::size_t j2 = (j + 1) % ringSegments;
      const auto a = std::uint32_t(i * ringSegments + j), b = std::uint32_t(i * ringSegments + j2),
                 c = std::uint32_t(i2 * ringSegments + j2), d = std::uint32_t(i2 * ringSegments + j);
      m.indices.insert(m.indices.end(), {a, b, c, a, c, d});
    }
  }
  return m;
}

ModelObject scanLikeMesh(std::size_t triangles) {
  // 2 × segments × (rings − 1) triangles with rings = segments.
  const auto n = std::max<std::size_t>(4, std::size_t(std::lround(std::sqrt(double(triangles) / 2))));
  const std::size_t rings = n, segments = n;
  ModelObject m;
  m.id = 1;
  m.name = "Scan";
  m.positions.reserve((rings - 1) * segments + 2);
  // Single-point poles, so the surface is closed and every triangle has area.
  m.positions.push_back({0, 0, -40});
  for (std::size_t i = 1; i < rings; ++i) {
    const double t = M_PI * double(i) / double(rings);
    for (std::size_t j = 0; j < segments; ++j) {
      const double p = 2 * M_PI * double(j) / double(segments);
      const double d = 1 + 0.05 * std::sin(5 * t) * std::cos(3 * p) + 0.02 * std::sin(11 * t + 1) * std::sin(9 * p);
      m.positions.push_back({float(14 * d * std::sin(t) * std::cos(p)), float(14 * d * std::sin(t) * std::sin(p)),
                             float(-40 * d * std::cos(t))});
    }
  }
  m.positions.push_back({0, 0, 40});
  const auto at = [&](std::size_t ring, std::size_t j) { return std::uint32_t(1 + (ring - 1) * segments + j % segments); };
  const auto top = std::uint32_t(m.positions.size() - 1);
  m.indices.reserve(6 * segments * (rings - 1));
  for (std::size_t j = 0; j < segments; ++j) m.indices.insert(m.indices.end(), {0, at(1, j + 1), at(1, j)});
  for (std::size_t i = 1; i + 1 < rings; ++i)
    for (std::size_t j = 0; j < segments; ++j)
      m.indices.insert(m.indices.end(),
                       {at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i, j), at(i + 1, j + 1), at(i + 1, j)});
  for (std::size_t j = 0; j < segments; ++j) m.indices.insert(m.indices.end(), {top, at(rings - 1, j), at(rings - 1, j + 1)});
  return m;
}

namespace {
FILE* openForWriting(const std::filesystem::path& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path.string());
  std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
  return f;
}
}  // namespace

void writeBinarySTL(const ModelObject& mesh, const std::filesystem::path& path) {
  FILE* f = openForWriting(path);
  char header[80] = "binary benchmark mesh";
  std::fwrite(header, 1, 80, f);
  const auto n = std::uint32_t(mesh.indices.size() / 3);
  std::fwrite(&n, 4, 1, f);
  for (std::size_t t = 0; t < n; ++t) {
    float record[12] = {};
    for (int k = 0; k < 3; ++k) {
      const Float3& p = mesh.positions[mesh.indices[t * 3 + std::size_t(k)]];
      record[3 + 3 * k] = p.x, record[4 + 3 * k] = p.y, record[5 + 3 * k] = p.z;
    }
    std::fwrite(record, 4, 12, f);
    const std::uint16_t attribute = 0;
    std::fwrite(&attribute, 2, 1, f);
  }
  std::fclose(f);
}

void writeAsciiSTL(const ModelObject& mesh, const std::filesystem::path& path) {
  FILE* f = openForWriting(path);
  std::fprintf(f, "solid knot\n");
  for (std::size_t t = 0; t < mesh.indices.size() / 3; ++t) {
    std::fprintf(f, "  facet normal 0.000000e+00 0.000000e+00 1.000000e+00\n    outer loop\n");
    for (int k = 0; k < 3; ++k) {
      const Float3& p = mesh.positions[mesh.indices[t * 3 + std::size_t(k)]];
      std::fprintf(f, "      vertex %e %e %e\n", double(p.x), double(p.y), double(p.z));
    }
    std::fprintf(f, "    endloop\n  endfacet\n");
  }
  std::fprintf(f, "endsolid knot\n");
  std::fclose(f);
}

void writeOBJ(const ModelObject& mesh, const std::filesystem::path& path) {
  FILE* f = openForWriting(path);
  std::fprintf(f, "# benchmark mesh\no knot\n");
  for (const auto& p : mesh.positions) std::fprintf(f, "v %.6f %.6f %.6f\n", double(p.x), double(p.y), double(p.z));
  for (std::size_t t = 0; t < mesh.indices.size(); t += 3) {
    std::fprintf(f, "f %u %u %u\n", mesh.indices[t] + 1, mesh.indices[t + 1] + 1, mesh.indices[t + 2] + 1);
  }
  std::fclose(f);
}

double timeOnce(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

Timing summary(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return {ms.front(), ms[ms.size() / 2]};
}

Timing time(int runs, const std::function<void()>& work, int warmups) {
  for (int i = 0; i < warmups; ++i) work();
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) ms.push_back(timeOnce(work));
  return summary(std::move(ms));
}

double currentRssMiB() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  long pages = 0, resident = 0;
  if (f) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double peakMemoryMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

namespace {
void readInto(const std::filesystem::path& path, char* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) throw std::runtime_error("cannot read " + path.string());
  std::size_t used = 0;
  while (used < size) {
    const ssize_t got = ::read(fd, data + used, size - used);
    if (got <= 0) break;
    used += std::size_t(got);
  }
  ::close(fd);
}
}  // namespace

void readWholeFile(const std::filesystem::path& path, std::vector<char>& buffer) {
  buffer.resize(std::filesystem::file_size(path));
  readInto(path, buffer.data(), buffer.size());
}

FileFloor::FileFloor(const std::filesystem::path& path)
    : path_(path), size_(std::filesystem::file_size(path)), buffer_(nullptr, std::free) {
  constexpr std::size_t page = 4096;
  buffer_.reset(static_cast<char*>(std::aligned_alloc(page, (size_ + page - 1) / page * page)));
  if (!buffer_) throw std::bad_alloc();
}

void FileFloor::read() { readInto(path_, buffer_.get(), size_); }

ScratchFolder::ScratchFolder() {
  path = std::filesystem::temp_directory_path() / ("vantorel-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(path);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

std::string formatMs(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, ms < 10 ? "%.2f ms" : "%.0f ms", ms);
  return text;
}

}  // namespace vantorel::bench
