// The info and render commands, run in process.
#include "command_call.h"
#include "commands.h"
#include "staging/look.h"

#include "scratch_folder.h"
#include "threemf_fixtures.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>
#include <tuple>

using namespace vantorel;

namespace {

using Outcome = test::CommandOutcome;
using test::call;
Outcome info(std::vector<std::string> args) { return call(cli::info, std::move(args)); }
Outcome render(std::vector<std::string> args) { return call(cli::render, std::move(args)); }

// Width, height and colour type from a PNG's header.
std::tuple<unsigned, unsigned, int> header(const std::filesystem::path& path) {
  unsigned char bytes[26] = {};
  std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(bytes), 26);
  const auto be = [&](int at) { return unsigned(bytes[at]) << 24 | unsigned(bytes[at + 1]) << 16 | unsigned(bytes[at + 2]) << 8 | bytes[at + 3]; };
  return {be(16), be(20), bytes[25]};
}

}  // namespace

TEST(InfoCommand, PrintsTheSamplesAsTextAndJson) {
  const Outcome text = info({"--sample", "vase", "--sample", "planter"});
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("Twisted vase\n"), std::string::npos);
  EXPECT_NE(text.out.find("Triangles  15,600"), std::string::npos);
  EXPECT_NE(text.out.find("Vertices   7,802"), std::string::npos);
  EXPECT_NE(text.out.find("#1  Saucer: 1,200 triangles, colour #8CA885"), std::string::npos);

  EXPECT_EQ(info({"--json", "--sample", "planter"}).out,
            R"({"file":null,"name":"Planter and saucer","format":"3MF","unit":"millimeter","triangles":16800,)"
            R"("vertices":8404,"objects":[{"id":0,"name":"Planter","triangles":15600,"color":0,"triangleColors":false},)"
            R"({"id":1,"name":"Saucer","triangles":1200,"color":1,"triangleColors":false}],)"
            R"("palette":["#CC6B47","#8CA885"],"notes":[],"size_mm":[93.15,93.15,74.0],"scale_check":"ok",)"
            R"("suggested_factor":null})" "\n");
}

TEST(InfoCommand, ReportsFailuresAndGoesOn) {
  const test::ScratchFolder dir;
  const auto obj = dir.write("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  const Outcome run = info({"--json", "readme", (dir / "missing.stl").string(), obj.string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "readme: This file type isn't supported (no extension). Vantorel opens STL, 3MF and OBJ.\n" +
                         (dir / "missing.stl").string() + ": No such file or directory (missing.stl).\n");
  const auto tri = nlohmann::json::parse(run.out);  // one line, for the one model read
  EXPECT_EQ(tri["name"], "tri");
  EXPECT_EQ(tri["objects"][0]["color"], nullptr);
}

TEST(InfoCommand, RefusesBadUsageAndTakesAnOrientation) {
  EXPECT_EQ(info({}).status, cli::exitUsage);
  EXPECT_EQ(info({"--sample", "teapot"}).status, cli::exitUsage);
  EXPECT_EQ(info({"--frobnicate", "x.stl"}).status, cli::exitUsage);
  const Outcome help = info({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--json"), std::string::npos);

  const Outcome onSide = info({"--json", "--orientation", "onSide", "--sample", "vase"});
  ASSERT_EQ(onSide.status, 0) << onSide.err;
  EXPECT_EQ(nlohmann::json::parse(onSide.out)["size_mm"][0], 120.0);  // lying down, its height is its width
  const Outcome bad = info({"--orientation", "sideways", "--sample", "vase"});
  EXPECT_EQ(bad.status, cli::exitUsage);
  EXPECT_NE(bad.err.find("asPrinted, standUp, onSide, upsideDown or yUp"), std::string::npos);
  EXPECT_EQ(info({"--sample", "vase", "--orientation"}).status, cli::exitUsage);
}

TEST(InfoCommand, ListsThePlatesAndRefusesAPlateNotThere) {
  const test::ScratchFolder dir;
  const test::Bytes bytes = test::threePlatePackage();
  const auto path = dir.write("Plates.3mf", {reinterpret_cast<const char*>(bytes.data()), bytes.size()}).string();
  const Outcome text = info({path});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("  Plates     1: Base (shown)\n             2 \"Pegs\": Peg, Peg\n             3: Tower\n"),
            std::string::npos) << text.out;
  EXPECT_NE(info({"--json", path}).out.find(R"("plates":[{"number":1,"name":null,"objects":["Base"]},)"
                                            R"({"number":2,"name":"Pegs","objects":["Peg","Peg"]},)"
                                            R"({"number":3,"name":null,"objects":["Tower"]}],"shown_plate":1})"),
            std::string::npos);

  const Outcome missing = render({path, "--plate", "5", "--out", (dir / "x.png").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, path + ": This project has 3 plates; there is no plate 5.\n");
  EXPECT_EQ(render({path, "--plate", "0", "--out", (dir / "x.png").string()}).status, cli::exitUsage);
}

class RenderCommand : public ::testing::Test {
 protected:
  test::ScratchFolder folder;
};

TEST_F(RenderCommand, WritesAnOpaquePNGOfTheAskedSizeReplacingAnOldOneOrOfTheExportSize) {
  const auto path = folder.write("vase.png", "an older picture");
  const Outcome o = render({"--sample", "vase", "--out", path.string(), "--size", "64x48", "--turn", "30"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(header(path), std::tuple(64u, 48u, 2));  // RGB: the studio background is opaque
  EXPECT_EQ(folder.names(), std::vector<std::string>{"vase.png"});

  const auto wide = folder / "wide.png";  // aspect and resolution give the export size
  const Outcome w = render({"--sample", "planter", "--out", wide.string(), "--aspect", "wide169", "--resolution", "72", "--tight"});
  ASSERT_EQ(w.status, 0) << w.err;
  EXPECT_EQ(header(wide), std::tuple(128u, 72u, 2));
}

TEST_F(RenderCommand, TransparentLookWritesAlpha) {
  Look transparent;
  transparent.background = BackgroundStyle::transparent;
  const auto look = folder.write("look.json", encode(transparent).dump());
  const auto path = folder / "clear.png";
  const Outcome o = render({"--sample", "vase", "--out", path.string(), "--size", "40x40", "--look", look.string(), "--elevation", "30"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(std::get<2>(header(path)), 6);  // RGBA
}

TEST_F(RenderCommand, UsageErrorsAndUnreadableInputsWriteNothing) {
  const auto path = folder / "x.png";
  EXPECT_EQ(render({"--sample", "vase"}).status, cli::exitUsage);
  EXPECT_EQ(render({"--out", path.string()}).status, cli::exitUsage);
  EXPECT_EQ(render({"--sample", "cube", "--out", path.string()}).status, cli::exitUsage);
  EXPECT_EQ(render({"--sample", "vase", "--out", path.string(), "--size", "0x5"}).status, cli::exitUsage);
  EXPECT_EQ(render({"--sample", "vase", "--out", path.string(), "--size", "64x64", "--aspect", "square"}).status, cli::exitUsage);
  EXPECT_EQ(render({"--sample", "vase", "--out", path.string(), "--turn", "left"}).status, cli::exitUsage);
  EXPECT_EQ(render({"--sample", "vase", "--out", path.string(), "--aspect", "wide169", "--resolution", "2200"}).status,
            cli::exitUsage);  // 3911 wide: beyond what the studio draws
  EXPECT_EQ(render({"--sample", "vase", "--out", path.string(), "--bogus"}).status, cli::exitUsage);
  EXPECT_EQ(render({"--help"}).status, 0);
  const Outcome missing = render({(folder / "none.stl").string(), "--out", path.string(), "--size", "16x16"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_FALSE(missing.err.empty());
  const auto look = folder.write("bad.json", R"({"finish":"matte"})");
  EXPECT_EQ(render({"--sample", "vase", "--out", path.string(), "--look", look.string()}).status, 1);
  EXPECT_FALSE(std::filesystem::exists(path));
}
