// The vantorel-cli executable run as a user would run it.
#include "scratch_folder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;
using vantorel::test::ScratchFolder;

namespace {

struct Outcome {
  int status;
  std::string output;
};

Outcome shell(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

Outcome cli(const std::string& arguments) {
  return shell(std::string("VANTOREL_GL=software ") + VANTOREL_CLI + " " + arguments + " 2>&1");
}

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

}  // namespace

TEST(ExportCommand, MakesANewFolderEachTimeAndListsTheFiles) {
  const ScratchFolder dir;
  const auto spec = dir.write("stills.json", R"({"aspect":"square","resolution":720,"includeSet":false,"includeHero":true})");
  const std::string args = "export --sample planter --stills --stills-spec " + quoted(spec) + " --out " + quoted(dir / "out");
  const Outcome first = cli(args);
  ASSERT_EQ(first.status, 0) << first.output;
  EXPECT_NE(first.output.find("Wrote 1 file to"), std::string::npos) << first.output;
  EXPECT_TRUE(fs::exists(dir / "out" / "Planter and saucer" / "Planter and saucer hero.png"));
  const Outcome second = cli(args);
  ASSERT_EQ(second.status, 0) << second.output;
  EXPECT_TRUE(fs::exists(dir / "out" / "Planter and saucer 2" / "Planter and saucer hero.png"));
}

TEST(ExportCommand, RefusesBadInputWithOneSentence) {
  const ScratchFolder dir;
  EXPECT_EQ(cli("export --sample vase").status, 64) << "--out is required";
  EXPECT_EQ(cli("export --sample vase --out x --preset nope").status, 64);
  const Outcome badSpec = cli("export --sample vase --out x --video-spec " + quoted(dir.write("bad.json", R"({"seconds":10})")));
  EXPECT_EQ(badSpec.status, 64);
  EXPECT_NE(badSpec.output.find("isn't a valid video spec"), std::string::npos) << badSpec.output;
  const Outcome missing = cli("export " + quoted(dir / "gone.stl") + " --out " + quoted(dir / "out"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.output.find("No such file or directory"), std::string::npos) << missing.output;
  EXPECT_FALSE(fs::exists(dir / "out" / "gone")) << "no folder for a model that can't be read";
}

TEST(BatchCommand, ReportsEachModelAndFailsWithStatusTwo) {
  const ScratchFolder dir;
  dir.write("models/sub/tetra.obj", "v 0 0 0\nv 10 0 0\nv 0 10 0\nv 0 0 10\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 1 4 3\n");
  dir.write("models/empty.stl", "solid nothing\nendsolid\n");
  dir.write("stills.json", R"({"aspect":"square","resolution":720,"includeSet":false,"includeHero":true})");
  const auto report = dir / "report.json";
  const Outcome run = cli("batch " + quoted(dir / "models") + " --stills --stills-spec " + quoted(dir / "stills.json") +
                          " --out " + quoted(dir / "out") + " --report " + quoted(report));
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_NE(run.output.find("failed  empty.stl: The file has no triangles to show."), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("1 of 2 models exported, 1 failed."), std::string::npos) << run.output;
  const auto json = nlohmann::json::parse(std::ifstream(report));
  EXPECT_EQ(json[1]["outputs"][0], (dir / "out" / "tetra" / "tetra hero.png").string());

  // The report is never overwritten.
  const Outcome again = cli("batch " + quoted(dir / "models") + " --out " + quoted(dir / "out") + " --report " + quoted(report));
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(nlohmann::json::parse(std::ifstream(report)), json);
}

// The main job as a shop runs it: the default listing video of the sample vase, checked by ffprobe.
TEST(ExportCommand, DefaultListingVideoOfTheVase) {
  const ScratchFolder dir;
  const Outcome run = cli("export --sample vase --video --out " + quoted(dir.path()));
  ASSERT_EQ(run.status, 0) << run.output;
  const auto video = dir / "Twisted vase" / "Twisted vase.mp4";
  ASSERT_TRUE(fs::exists(video));
  const std::string facts = shell("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                  "stream=codec_name,profile,width,height,pix_fmt,nb_read_frames,color_primaries,"
                                  "color_transfer,color_space:format=duration -of default=noprint_wrappers=1 " +
                                  quoted(video)).output;
  for (const char* expected : {"codec_name=h264", "profile=High", "width=1080", "height=1080", "pix_fmt=yuv420p",
                               "nb_read_frames=300", "color_primaries=bt709", "color_transfer=bt709",
                               "color_space=bt709", "duration=10.000000"}) {
    EXPECT_NE(facts.find(expected), std::string::npos) << expected << " in\n" << facts;
  }
  // Frame i shows at i / 30 s, and a key frame starts every two seconds.
  std::map<double, bool> keyAt;
  std::istringstream packets(shell("ffprobe -v error -select_streams v:0 -show_entries packet=pts_time,flags "
                                   "-of csv=p=0 " + quoted(video)).output);
  for (std::string line; std::getline(packets, line);) keyAt[std::stod(line)] = line.find('K') != std::string::npos;
  ASSERT_EQ(keyAt.size(), 300u);
  int i = 0;
  for (const auto& [time, key] : keyAt) {
    EXPECT_NEAR(time, i / 30.0, 1e-3) << "frame " << i;
    EXPECT_EQ(key, i % 60 == 0) << "frame " << i;
    ++i;
  }
}

TEST(InfoCommand, RunsThroughTheExecutable) {
  EXPECT_EQ(nlohmann::json::parse(cli("info --json --sample vase").output)["triangles"], 15600);
}
