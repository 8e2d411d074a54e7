#include "commands.h"

#include "scratch_folder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <sstream>

using namespace vantorel;

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome info(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = cli::info(args, out, err);
  return {status, out.str(), err.str()};
}

std::vector<nlohmann::json> jsonLines(const std::string& text) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

}  // namespace

TEST(InfoCommand, PrintsTheSamplesAsTextAndJson) {
  const Outcome text = info({"--sample", "vase", "--sample", "planter"});
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("Twisted vase\n"), std::string::npos);
  EXPECT_NE(text.out.find("Triangles  15,600"), std::string::npos);
  EXPECT_NE(text.out.find("Vertices   7,802"), std::string::npos);
  EXPECT_NE(text.out.find("#1  Saucer: 1,200 triangles, colour #8CA885"), std::string::npos);

  const Outcome json = info({"--json", "--sample", "planter"});
  const auto lines = jsonLines(json.out);
  ASSERT_EQ(lines.size(), 1u);
  const auto& m = lines[0];
  EXPECT_TRUE(m["file"].is_null());
  EXPECT_EQ(m["name"], "Planter and saucer");
  EXPECT_EQ(m["format"], "3MF");
  EXPECT_EQ(m["unit"], "millimeter");
  EXPECT_EQ(m["triangles"], 16800);
  EXPECT_EQ(m["vertices"], 8404);
  EXPECT_EQ(m["objects"][1], nlohmann::json::parse(R"({"id":1,"name":"Saucer","triangles":1200,"color":1,"triangleColors":false})"));
  EXPECT_EQ(m["palette"], nlohmann::json::parse(R"(["#CC6B47","#8CA885"])"));
  EXPECT_EQ(m["notes"], nlohmann::json::array());
}

TEST(InfoCommand, ReportsFailuresAndGoesOn) {
  const test::ScratchFolder dir;
  const auto tri = dir.write("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  const Outcome run = info({"--json", "readme", (dir / "missing.stl").string(), tri.string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "readme: This file type isn't supported (no extension). Vantorel opens STL, 3MF and OBJ.\n" +
                         (dir / "missing.stl").string() + ": No such file or directory (missing.stl).\n");
  const auto lines = jsonLines(run.out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]["name"], "tri");
  EXPECT_EQ(lines[0]["objects"][0]["color"], nullptr);
}

TEST(InfoCommand, RefusesBadUsage) {
  EXPECT_EQ(info({}).status, cli::exitUsage);
  EXPECT_EQ(info({"--sample", "teapot"}).status, cli::exitUsage);
  EXPECT_EQ(info({"--frobnicate", "x.stl"}).status, cli::exitUsage);
  const Outcome help = info({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--json"), std::string::npos);
}

TEST(InfoCommand, OrientationOption) {
  const Outcome onSide = info({"--json", "--orientation", "onSide", "--sample", "vase"});
  ASSERT_EQ(onSide.status, 0) << onSide.err;
  EXPECT_EQ(nlohmann::json::parse(onSide.out)["size_mm"][0], 120.0);  // lying down, its height is its width
  const Outcome bad = info({"--orientation", "sideways", "--sample", "vase"});
  EXPECT_EQ(bad.status, cli::exitUsage);
  EXPECT_NE(bad.err.find("asPrinted, standUp, onSide, upsideDown or yUp"), std::string::npos);
  EXPECT_EQ(info({"--sample", "vase", "--orientation"}).status, cli::exitUsage);
}

TEST(InfoCommand, TheExecutableRunsEndToEnd) {
  FILE* pipe = popen(VANTOREL_CLI " info --json --sample vase 2>&1", "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_EQ(nlohmann::json::parse(out)["triangles"], 15600);
}
