// The vantorel-cli executable run as a user would run it.
#include "scratch_folder.h"
#include "shell_command.h"
#include "threemf_fixtures.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using vantorel::test::ScratchFolder;
using vantorel::test::Outcome;
using vantorel::test::quoted;
using vantorel::test::shell;

namespace {

Outcome cli(const std::string& arguments, const fs::path& in = ".") {
  return shell("cd " + quoted(in) + " && VANTOREL_GL=software " + VANTOREL_CLI + " " + arguments + " 2>&1");
}

const char* const tetra = "v 0 0 0\nv 10 0 0\nv 0 10 0\nv 0 0 10\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 1 4 3\n";

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
  dir.write("models/sub/tetra.obj", tetra);
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

TEST(ExportCommand, AFolderPerPlate) {
  const ScratchFolder dir;
  const auto bytes = vantorel::test::threePlatePackage();
  dir.write("Plates.3mf", {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  dir.write("hero.json", R"({"aspect":"square","resolution":720,"includeSet":false,"includeHero":true})");
  const Outcome all = cli("export Plates.3mf --plate all --stills --stills-spec hero.json --out out", dir.path());
  ASSERT_EQ(all.status, 0) << all.output;
  for (const char* plate : {"1", "2", "3"}) {
    EXPECT_TRUE(fs::exists(dir / "out" / (std::string("Plates plate ") + plate) / (std::string("Plates plate ") + plate + " hero.png")))
        << all.output;
  }
  const Outcome missing = cli("batch . --plate 5 --stills --stills-spec hero.json --out batch", dir.path());
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.output.find("failed  Plates.3mf: This project has 3 plates; there is no plate 5."), std::string::npos)
      << missing.output;
}

TEST(Commands, PathsAfterDoubleDashAndSentencesNamingTheFolder) {
  const ScratchFolder dir;
  dir.write("-m/-dash.obj", tetra);
  fs::create_symlink(dir.write("elsewhere/x.obj", tetra), dir / "-m" / "link.obj");
  dir.write("hero.json", R"({"aspect":"square","resolution":720,"includeSet":false,"includeHero":true})");
  const struct { const char* arguments; int status; const char* says; } rows[] = {
      {"render --out x.png --size 16x16 -- -m/-dash.obj", 0, ""},
      {"export --stills --stills-spec hero.json --out out -- -m/-dash.obj", 0, "Wrote 1 file to out/-dash:"},
      {"batch --stills --stills-spec hero.json --out out -- -m", 0, "ok      link.obj -> out/link (1 file)"},
      {"export --sample vase --out /proc", 1, "/proc: the model's folder can't be made there ("},
      {"batch --out out --report gone/r.json -- -m", 1, "gone/r.json: the report can't be written there (No such file or directory).\n"},
  };
  for (const auto& row : rows) {
    const Outcome run = cli(row.arguments, dir.path());
    EXPECT_EQ(run.status, row.status) << row.arguments << "\n" << run.output;
    EXPECT_NE(run.output.find(row.says), std::string::npos) << row.arguments << "\n" << run.output;
  }
}

// Stopped while the first file is being written: nothing of the export stays.
TEST(Commands, SignalsStopCleanlyWithTheSignalsStatus) {
  const ScratchFolder dir;
  dir.write("models/tetra.obj", tetra);
  const struct { const char* arguments; std::vector<int> signals; int status; } rows[] = {
      {"export --sample vase --video --out out", {SIGINT, SIGINT}, 130},
      {"export --sample vase --video --out out", {SIGTERM, SIGINT}, 143},
      {"batch models --video --out out --report report.json", {SIGHUP, SIGINT}, 129},
  };
  for (const auto& row : rows) {
    const std::string line = "cd " + quoted(dir.path()) + " && VANTOREL_GL=software exec " + VANTOREL_CLI + " " + row.arguments + " >/dev/null 2>&1";
    const pid_t pid = fork();
    if (pid == 0) {
      for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);  // whatever the runner ignores
      execl("/bin/sh", "sh", "-c", line.c_str(), nullptr);
      _exit(127);
    }
    std::error_code ec;  // until the model's folder (and at once its first file) is made
    for (int i = 0; i < 600 && (fs::is_empty(dir / "out", ec) || ec); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (int s : row.signals) {  // apart, even on a busy machine: pending together, the lower number comes first
      kill(pid, s);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, row.status) << row.arguments;
    EXPECT_FALSE(fs::exists(dir / "out")) << row.arguments;
  }
  EXPECT_EQ(nlohmann::json::parse(std::ifstream(dir / "report.json")), nlohmann::json::array());
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
