// Writes the fuzz seed corpora from the test fixtures when VANTOREL_WRITE_SEEDS names the seeds
// folder (fuzz/seeds); otherwise it checks that every seed package still loads.
#include "input/load_error.h"
#include "threemf_fixtures.h"
#include "zip_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace vantorel {
namespace {

using test::Bytes;

std::vector<std::pair<std::string, Bytes>> packages() {
  const std::string box = "<object id=\"1\" name=\"Box\">" + test::boxMesh({0, 0, 0}, {1, 2, 3}) + "</object>";
  const std::string components =
      box + "<object id=\"2\"><components><component objectid=\"1\" transform=\"-1 0 0 0 1 0 0 0 1 5 0 0\"/>"
            "<component p:path=\"/3D/Objects/o.model\" objectid=\"7\"/></components></object>";
  return {
      {"slicer_project.3mf", test::slicerProjectPackage()},
      {"slic3r.3mf", test::slic3rPackage()},
      {"design_tool.3mf", test::designToolPackage()},
      {"components.3mf",
       test::package({{"3D/3dmodel.model", test::modelPart(components, "<item objectid=\"2\"/>", "micron")},
                      {"3D/Objects/o.model", test::modelPart("<object id=\"7\">" + test::boxMesh({0, 0, 0}, {1, 1, 1}) +
                                                                 "</object>",
                                                             "")}})},
  };
}

std::vector<std::pair<std::string, Bytes>> xmlSeeds() {
  return {
      {"box.model", test::bytesOf(test::modelPart("<basematerials id=\"5\"><base displaycolor=\"#FF000080\"/>"
                                                  "</basematerials><object id=\"1\" pid=\"5\" pindex=\"0\">" +
                                                      test::boxMesh({0, 0, 0}, {1, 1, 1}) + "</object>",
                                                  "<item objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 0 0 0\"/>",
                                                  "inch"))},
      {"markup.xml", test::bytesOf("<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e 'v'>]><!-- c --><![CDATA[ <x> ]]>"
                                   "<a:b c:d='1 2 3' e=\"&amp;&#65;&#x42;&bogus;\" f/><g h=\">\"></g>")},
      {"settings.config", test::bytesOf("<config><object id=\"2\"><metadata key=\"name\" value=\"n\"/><part id=\"1\">"
                                        "<metadata key=\"extruder\" value=\"2\"/></part></object></config>")},
  };
}

void writeAll(const std::filesystem::path& folder, const std::vector<std::pair<std::string, Bytes>>& files) {
  std::filesystem::create_directories(folder);
  for (const auto& [name, bytes] : files) {
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
}

TEST(FuzzSeeds, PackagesLoadAndAreWrittenOnRequest) {
  const auto packs = packages();
  for (const auto& [name, bytes] : packs) {
    EXPECT_NO_THROW(test::load3MF(bytes)) << name;
    EXPECT_LT(bytes.size(), 8000u) << name;
  }
  const char* folder = std::getenv("VANTOREL_WRITE_SEEDS");
  if (!folder) return;
  const std::filesystem::path seeds = folder;
  writeAll(seeds / "3mf", packs);
  writeAll(seeds / "zip", packs);
  std::vector<test::ZipEntrySpec> odd = {{"stored.txt", test::bytesOf("stored"), false}, {"dir/", {}, false}};
  odd.push_back({"big.model", test::bytesOf("<model/>")});
  odd.back().zip64 = true;
  writeAll(seeds / "zip", {{"zip64.zip", test::zipArchive(odd, {.zip64End = true})},
                           {"comment.zip", test::zipArchive({{"a%20b.txt", test::bytesOf("a")}}, {.comment = "c"})}});
  writeAll(seeds / "xml", xmlSeeds());
}

}  // namespace
}  // namespace vantorel
