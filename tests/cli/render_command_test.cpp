#include "commands.h"

#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

using namespace vantorel;

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome render(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = cli::render(args, out, err);
  return {status, out.str(), err.str()};
}

struct PNGHeader {
  unsigned width = 0, height = 0;
  int colourType = -1;
};

PNGHeader header(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes(26);
  in.read(reinterpret_cast<char*>(bytes.data()), 26);
  if (!in || bytes[1] != 'P' || bytes[2] != 'N' || bytes[3] != 'G') return {};
  auto be = [&](int at) { return unsigned(bytes[at]) << 24 | unsigned(bytes[at + 1]) << 16 | unsigned(bytes[at + 2]) << 8 | bytes[at + 3]; };
  return {be(16), be(20), bytes[25]};
}

class RenderCommand : public ::testing::Test {
 protected:
  test::ScratchFolder folder;
};

TEST_F(RenderCommand, WritesAnOpaquePNGOfTheAskedSizeReplacingAnOldOne) {
  const auto path = folder.write("vase.png", "an older picture");
  const Outcome o = render({"--sample", "vase", "--out", path.string(), "--size", "64x48", "--turn", "30"});
  ASSERT_EQ(o.status, 0) << o.err;
  const PNGHeader h = header(path);
  EXPECT_EQ(h.width, 64u);
  EXPECT_EQ(h.height, 48u);
  EXPECT_EQ(h.colourType, 2);  // RGB: the studio background is opaque
  EXPECT_EQ(folder.names(), std::vector<std::string>{"vase.png"});
}

TEST_F(RenderCommand, AspectAndResolutionGiveTheExportSize) {
  const auto path = folder / "wide.png";
  const Outcome o = render({"--sample", "planter", "--out", path.string(), "--aspect", "wide169", "--resolution", "72", "--tight"});
  ASSERT_EQ(o.status, 0) << o.err;
  const PNGHeader h = header(path);
  EXPECT_EQ(h.width, 128u);
  EXPECT_EQ(h.height, 72u);
}

TEST_F(RenderCommand, TransparentLookWritesAlpha) {
  const auto look = folder.write("look.json", R"({"finish":"gloss","color":{"r":0.8,"g":0.1,"b":0.1,"a":1},"useFileColors":false,)"
                                 R"("layerLines":false,"layerHeight":0.2,"background":"transparent",)"
                                 R"("backgroundColor":{"r":1,"g":1,"b":1,"a":1},"lighting":"dramatic","shadow":true,)"
                                 R"("scaleReference":"disc","orientation":"asPrinted","camera":"high","startAngle":10})");
  const auto path = folder / "clear.png";
  const Outcome o = render({"--sample", "vase", "--out", path.string(), "--size", "40x40", "--look", look.string(), "--elevation", "30"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(header(path).colourType, 6);  // RGBA
}

TEST_F(RenderCommand, UsageErrorsWriteNothing) {
  const auto path = folder / "x.png";
  EXPECT_EQ(render({"--sample", "vase"}).status, cli::exitUsage);
  EXPECT_EQ(render({"--out", path.string()}).status, cli::exitUsage);
  EXPECT_EQ(render({"--sample", "cube", "--out", path.string()}).status, cli::exitUsage);
  EXPECT_EQ(render({"--sample", "vase", "--out", path.string(), "--size", "0x5"}).status, cli::exitUsage);
  EXPECT_EQ(render({"--sample", "vase", "--out", path.string(), "--size", "64x64", "--aspect", "square"}).status, cli::exitUsage);
  EXPECT_EQ(render({"--sample", "vase", "--out", path.string(), "--turn", "left"}).status, cli::exitUsage);
  EXPECT_EQ(render({"--sample", "vase", "--out", path.string(), "--bogus"}).status, cli::exitUsage);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(render({"--help"}).status, 0);
}

TEST_F(RenderCommand, UnreadableInputsFailWithASentence) {
  const auto path = folder / "x.png";
  const Outcome missing = render({(folder / "none.stl").string(), "--out", path.string(), "--size", "16x16"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_FALSE(missing.err.empty());
  const auto look = folder.write("bad.json", R"({"finish":"matte"})");
  EXPECT_EQ(render({"--sample", "vase", "--out", path.string(), "--look", look.string()}).status, 1);
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
