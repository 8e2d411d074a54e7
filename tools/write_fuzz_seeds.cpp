// Writes the fuzz seed corpora (fuzz/seeds) from the readers' test fixtures:
//   build/tools/write_fuzz_seeds fuzz/seeds
// Each 3MF package must load and stay small, so the fuzzer starts from files that reach deep.
#include "threemf_fixtures.h"
#include "zip_writer.h"

#include "base/error.h"

#include <fstream>
#include <iostream>

namespace vantorel {
namespace {

using test::Bytes;
using test::bytesOf;
using Files = std::vector<std::pair<std::string, Bytes>>;

void writeAll(const std::filesystem::path& folder, const Files& files) {
  std::filesystem::create_directories(folder);
  for (const auto& [name, bytes] : files) {
    std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
}

int writeSeeds(const std::filesystem::path& seeds) {
  const std::string components =
      test::box(1, "name=\"Box\"", {0, 0, 0}, {1, 2, 3}) +
      "<object id=\"2\"><components><component objectid=\"1\" transform=\"-1 0 0 0 1 0 0 0 1 5 0 0\"/>"
      "<component p:path=\"/3D/Objects/o.model\" objectid=\"7\"/></components></object>";
  const Files packages = {
      {"slicer_project.3mf", test::slicerProjectPackage()},
      {"slic3r.3mf", test::slic3rPackage()},
      {"components.3mf",
       test::package({{"3D/3dmodel.model", test::modelPart(components, "<item objectid=\"2\"/>", "micron")},
                      {"3D/Objects/o.model", test::modelPart(test::box(7), "")}})},
  };
  for (const auto& [name, bytes] : packages) {
    try {
      test::load3MF(bytes);
    } catch (const std::exception& e) {
      std::cerr << name << ": " << errorText(e) << "\n";
      return 1;
    }
    if (bytes.size() >= 8000) {
      std::cerr << name << ": " << bytes.size() << " bytes is too large for a seed.\n";
      return 1;
    }
  }
  writeAll(seeds / "3mf", packages);
  writeAll(seeds / "zip", packages);
  const std::vector<test::ZipEntrySpec> odd = {{"stored.txt", bytesOf("stored"), false},
                                               {"dir/", {}, false},
                                               {.name = "big.model", .data = bytesOf("<model/>"), .zip64 = true}};
  writeAll(seeds / "zip", {{"zip64.zip", test::zipArchive(odd, {.zip64End = true})},
                           {"comment.zip", test::zipArchive({{"a%20b.txt", bytesOf("a")}}, {.comment = "c"})}});
  writeAll(seeds / "xml",
           {{"box.model", bytesOf(test::modelPart("<basematerials id=\"5\"><base displaycolor=\"#FF000080\"/>"
                                                  "</basematerials><object id=\"1\" pid=\"5\" pindex=\"0\">" +
                                                      test::boxMesh({0, 0, 0}, {1, 1, 1}) + "</object>",
                                                  "<item objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 0 0 0\"/>", "inch"))},
            {"markup.xml", bytesOf("<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e 'v'>]><!-- c --><![CDATA[ <x> ]]>"
                                   "<a:b c:d='1 2 3' e=\"&amp;&#65;&#x42;&bogus;\" f/><g h=\">\"></g>")},
            {"settings.config", bytesOf("<config><object id=\"2\"><metadata key=\"name\" value=\"n\"/><part id=\"1\">"
                                        "<metadata key=\"extruder\" value=\"2\"/></part></object></config>")}});
  return 0;
}

}  // namespace
}  // namespace vantorel

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Usage: write_fuzz_seeds SEEDS_FOLDER\n";
    return 64;
  }
  return vantorel::writeSeeds(argv[1]);
}
