// 3MF load time: our reader against lib3mf on a one-million-triangle package (deflated model part
// of about 80 MB of XML), with the floor every reader pays: inflating the model entry alone; and
// the load's peak memory, which must not grow with the part's unpacked size.
#include "bench_support.h"
#include "input/model_loader.h"
#include "input/threemf_reader.h"
#include "input/zip_reader.h"
#include "zip_writer.h"

#include <libdeflate.h>
#include <zlib.h>

#if __has_include(<Model/COM/NMR_DLLInterfaces.h>)
#include <Model/COM/NMR_DLLInterfaces.h>
#define VANTOREL_HAVE_LIB3MF 1
#endif

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>

namespace vantorel::bench {
namespace {

// A model part the way a slicer exports one mesh: one vertex or triangle element per line. With
// `painted`, every triangle carries a paint code: odd ones painted whole with filament 2, even ones
// split once into a half of filament 1 and a half of filament 2 (the codes read from the last digit).
std::vector<std::byte> modelXML(const ModelObject& mesh, bool painted = false) {
  std::string xml;
  xml.reserve(mesh.positions.size() * 64 + mesh.indices.size() / 3 * 56 + 1024);
  xml += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<model unit=\"millimeter\" xml:lang=\"en-US\" "
         "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\">\n <resources>\n"
         "  <object id=\"1\" type=\"model\">\n   <mesh>\n    <vertices>\n";
  char line[160];
  for (const Float3& p : mesh.positions) {
    const int n = std::snprintf(line, sizeof line, "     <vertex x=\"%.6f\" y=\"%.6f\" z=\"%.6f\"/>\n", p.x, p.y, p.z);
    xml.append(line, std::size_t(n));
  }
  xml += "    </vertices>\n    <triangles>\n";
  for (std::size_t i = 0; i < mesh.indices.size(); i += 3) {
    const char* code = !painted ? nullptr : (i / 3) % 2 ? "8" : "841";
    const int n = code ? std::snprintf(line, sizeof line, "     <triangle v1=\"%u\" v2=\"%u\" v3=\"%u\" paint_color=\"%s\"/>\n",
                                       mesh.indices[i], mesh.indices[i + 1], mesh.indices[i + 2], code)
                       : std::snprintf(line, sizeof line, "     <triangle v1=\"%u\" v2=\"%u\" v3=\"%u\"/>\n", mesh.indices[i],
                                       mesh.indices[i + 1], mesh.indices[i + 2]);
    xml.append(line, std::size_t(n));
  }
  xml += "    </triangles>\n   </mesh>\n  </object>\n </resources>\n <build>\n  <item objectid=\"1\"/>\n </build>\n</model>\n";
  std::vector<std::byte> bytes(xml.size());
  std::memcpy(bytes.data(), xml.data(), xml.size());
  return bytes;
}

std::vector<std::byte> bytesOf(std::string_view text) {
  std::vector<std::byte> b(text.size());
  std::memcpy(b.data(), text.data(), text.size());
  return b;
}

void writeFile(const std::filesystem::path& path, const std::vector<std::byte>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

#ifdef VANTOREL_HAVE_LIB3MF
// lib3mf's own reader: read the package, then fetch every mesh's vertices and triangles.
std::size_t loadWithLib3MF(const std::filesystem::path& path) {
  using namespace NMR;
  PLib3MFModel* model = nullptr;
  PLib3MFModelReader* reader = nullptr;
  PLib3MFModelResourceIterator* meshes = nullptr;
  std::size_t triangles = 0;
  if (lib3mf_createmodel(&model) != LIB3MF_OK) throw std::runtime_error("lib3mf: no model");
  if (lib3mf_model_queryreader(model, "3mf", &reader) != LIB3MF_OK ||
      lib3mf_reader_readfromfileutf8(reader, path.c_str()) != LIB3MF_OK ||
      lib3mf_model_getmeshobjects(model, &meshes) != LIB3MF_OK) {
    DWORD code = 0;
    LPCSTR message = nullptr;
    lib3mf_getlasterror(reader, &code, &message);
    throw std::runtime_error(std::string("lib3mf: read failed: ") + (message ? message : "?"));
  }
  std::vector<MODELMESHVERTEX> vertices;
  std::vector<MODELMESHTRIANGLE> faces;
  BOOL hasNext = false;
  while (lib3mf_resourceiterator_movenext(meshes, &hasNext) == LIB3MF_OK && hasNext) {
    PLib3MFModelResource* mesh = nullptr;
    lib3mf_resourceiterator_getcurrent(meshes, &mesh);
    DWORD vertexCount = 0, triangleCount = 0;
    lib3mf_meshobject_getvertexcount(mesh, &vertexCount);
    lib3mf_meshobject_gettrianglecount(mesh, &triangleCount);
    vertices.resize(vertexCount);
    faces.resize(triangleCount);
    lib3mf_meshobject_getvertices(mesh, vertices.data(), vertexCount, nullptr);
    lib3mf_meshobject_gettriangleindices(mesh, faces.data(), triangleCount, nullptr);
    triangles += triangleCount;
    lib3mf_release(mesh);
  }
  lib3mf_release(meshes);
  lib3mf_release(reader);
  lib3mf_release(model);
  return triangles;
}
#endif

}  // namespace
}  // namespace vantorel::bench

int main() {
  using namespace vantorel;
  using namespace vantorel::bench;
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const ScratchFolder scratch;
  const std::filesystem::path file = scratch.path / "knot.3mf", paintedFile = scratch.path / "painted.3mf";
  std::size_t unpacked = 0, meshBytes = 0;
  for (const bool painted : {false, true}) {
    const ModelObject mesh = closedMesh(1'000'000);
    const std::vector<std::byte> xml = modelXML(mesh, painted);
    if (!painted) {
      unpacked = xml.size();
      meshBytes = mesh.positions.size() * sizeof(Float3) + mesh.indices.size() * sizeof(std::uint32_t);
    }
    const std::vector<std::byte> archive = test::zipArchive(
        {{"[Content_Types].xml",
          bytesOf("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Types xmlns=\"http://schemas.openxmlformats.org/"
                  "package/2006/content-types\"><Default Extension=\"rels\" ContentType=\"application/"
                  "vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"model\" "
                  "ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/></Types>")},
         {"_rels/.rels",
          bytesOf("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships xmlns=\"http://schemas."
                  "openxmlformats.org/package/2006/relationships\"><Relationship Target=\"/3D/3dmodel.model\" Id=\"rel0\" "
                  "Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\"/></Relationships>")},
         {"3D/3dmodel.model", xml}});
    writeFile(painted ? paintedFile : file, archive);
    if (painted) break;
    std::printf("3MF: %zu triangles, %zu vertices; model part %.1f MB of XML, package %.1f MB\n", mesh.triangleCount(),
                mesh.positions.size(), double(unpacked) / 1e6, double(archive.size()) / 1e6);
  }

  // The floor: inflate the model entry alone, into a fresh buffer each time and into a reused one
  // (libdeflate, whole buffers only), and through a window that stays in cache (zlib, as the load
  // does on a thread of its own while it scans).
  std::vector<char> archive;
  readWholeFile(file, archive);
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(archive.data()), archive.size());
  const ZipReader zip(bytes, ModelLoader::threeMFLimits().zip);
  const ZipReader::Entry entry = *zip.entry("3D/3dmodel.model");
  const std::byte* local = bytes.data() + entry.localOffset;
  const std::size_t start = std::size_t(entry.localOffset) + 30 + (std::to_integer<std::size_t>(local[26]) |
                                                                    std::to_integer<std::size_t>(local[27]) << 8) +
                            (std::to_integer<std::size_t>(local[28]) | std::to_integer<std::size_t>(local[29]) << 8);
  libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
  const auto inflateInto = [&](void* out) {
    std::size_t written = 0;
    if (libdeflate_deflate_decompress(inflater, bytes.data() + start, std::size_t(entry.compressedSize), out,
                                      std::size_t(entry.size), &written) != LIBDEFLATE_SUCCESS) {
      throw std::runtime_error("inflate failed");
    }
  };
  const Timing fresh = time(5, [&] {
    std::unique_ptr<char[]> out(new char[std::size_t(entry.size)]);
    inflateInto(out.get());
  });
  std::vector<char> reused(std::size_t(entry.size));
  const Timing touched = time(5, [&] { inflateInto(reused.data()); }, 1);
  reused = {};
  libdeflate_free_decompressor(inflater);
  std::vector<unsigned char> window(EntryInflow::kPiece);
  const Timing windowed = time(5, [&] {
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(bytes.data() + start));
    z.avail_in = uInt(entry.compressedSize);
    int result = Z_OK;
    while (result == Z_OK) {
      z.next_out = window.data();
      z.avail_out = uInt(window.size());
      result = inflate(&z, Z_NO_FLUSH);
    }
    inflateEnd(&z);
    if (result != Z_STREAM_END) throw std::runtime_error("inflate failed");
  }, 1);
  std::printf("inflate floor: %s into a fresh buffer, %s into a touched one, %s through a %zu KiB window (min)\n",
              formatMs(fresh.minMs).c_str(), formatMs(touched.minMs).c_str(), formatMs(windowed.minMs).c_str(),
              window.size() >> 10);

  // Ours: the whole load through the model loader, file read included. No warm-up: the first,
  // cold load counts like the others.
  const auto runList = [](const std::vector<double>& ms) {
    std::string list;
    for (const double m : ms) {
      if (!list.empty()) list += ' ';
      list += formatMs(m);
    }
    return list;
  };
  std::size_t ourTriangles = 0;
  resetPeakMemory();
  const double baseMiB = peakMemoryMiB();
  std::vector<double> ourRuns;
  for (int i = 0; i < 5; ++i) ourRuns.push_back(timeOnce([&] { ourTriangles = ModelLoader::load(file).triangleCount(); }));
  const Timing ours = summary(ourRuns);
  const double peakMiB = peakMemoryMiB() - baseMiB;
  const double boundMiB = 2.0 * double(meshBytes) / 1048576.0 + 64;
  std::printf("vantorel: %s median, %s min (%zu triangles); runs, the first cold: %s\n", formatMs(ours.medianMs).c_str(),
              formatMs(ours.minMs).c_str(), ourTriangles, runList(ourRuns).c_str());
  std::printf("peak memory: +%.0f MiB (goal: at most %.0f MiB, 2 x mesh + 64)\n", peakMiB, boundMiB);

  // Painting costs only where there is paint: the same file with every triangle painted.
  std::size_t paintedTriangles = 0;
  const Timing paintedLoad = time(5, [&] { paintedTriangles = ModelLoader::load(paintedFile).triangleCount(); }, 1);
  std::printf("painted:  %s min (%zu triangles, every one painted, half split once): %.2fx the unpainted load "
              "(goal: within 2x)\n",
              formatMs(paintedLoad.minMs).c_str(), paintedTriangles, paintedLoad.minMs / ours.minMs);

#ifdef VANTOREL_HAVE_LIB3MF
  std::size_t theirTriangles = 0;
  std::vector<double> theirRuns;
  for (int i = 0; i < 3; ++i) theirRuns.push_back(timeOnce([&] { theirTriangles = loadWithLib3MF(file); }));
  const Timing lib3mf = summary(theirRuns);
  std::printf("lib3mf:   %s median, %s min (%zu triangles); runs: %s\n", formatMs(lib3mf.medianMs).c_str(),
              formatMs(lib3mf.minMs).c_str(), theirTriangles, runList(theirRuns).c_str());
  std::printf("speed-up: %.1fx of the medians (goal: at least 3x)\n", lib3mf.medianMs / ours.medianMs);
#else
  std::printf("lib3mf:   not installed (Debian lib3mf-dev), no comparison\n");
#endif
  return 0;
}
