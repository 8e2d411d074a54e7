// Batches split over several processes, and batches stopped and resumed, run as a fleet would run them.
#include "scratch_folder.h"
#include "shell_command.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
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

std::string command(const fs::path& in, const std::string& arguments) {
  return "cd " + quoted(in) + " && VANTOREL_GL=software exec " + VANTOREL_CLI + " " + arguments;
}

const std::string hero = "--stills --stills-spec hero.json";

// Nine small models, three of them named alike in different folders, so that the slices of a batch
// split over three processes must agree on "part", "part 2" and "part 3".
void writeNineModels(const ScratchFolder& dir) {
  const char* names[] = {"a/part.obj", "b/part.obj", "c/part.obj", "d.obj", "e.obj", "f.obj", "g.obj", "h.obj", "i.obj"};
  for (int i = 0; i < 9; ++i) {
    dir.write(fs::path("models") / names[i], "v 0 0 0\nv 10 0 0\nv 0 10 0\nv 0 0 " + std::to_string(6 + 2 * i) +
                                                 "\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 1 4 3\n");
  }
  dir.write("hero.json", R"({"aspect":"square","resolution":720,"includeSet":false,"includeHero":true})");
}

// Every visible file under `folder` by its path there, with its bytes.
std::map<std::string, std::string> tree(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
    if (it->path().filename().string().starts_with('.')) {
      it.disable_recursion_pending();
    } else if (it->is_regular_file()) {
      std::ifstream in(it->path(), std::ios::binary);
      files[fs::relative(it->path(), folder).string()] = {std::istreambuf_iterator<char>(in), {}};
    }
  }
  return files;
}

std::vector<nlohmann::json> reportLines(const fs::path& report) {
  std::vector<nlohmann::json> lines;
  std::ifstream in(report);
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

}  // namespace

TEST(BatchCommand, ThreeShardsAtOnceMakeTheWholeBatch) {
  const ScratchFolder dir;
  writeNineModels(dir);
  const Outcome whole = shell(command(dir.path(), "batch models " + hero + " --out whole 2>&1"));
  ASSERT_EQ(whole.status, 0) << whole.output;
  // The same models listed out of order, with blank lines, and run as three slices at the same time.
  dir.write("list.txt", "models/i.obj\n\nmodels/c/part.obj\nmodels/a/part.obj\nmodels/b/part.obj\nmodels/d.obj\n"
                        "models/h.obj\r\nmodels/e.obj\nmodels/g.obj\n  \nmodels/f.obj\nmodels/d.obj\n");
  std::string shards;
  for (const char* k : {"1", "2", "3"}) {
    shards += "(" + command(dir.path(), "batch --files-from list.txt --shard " + std::string(k) + "/3 " + hero +
                                            " --out sharded --report r" + k + ".jsonl >/dev/null 2>&1") + ") & ";
  }
  ASSERT_EQ(shell(shards + "wait").status, 0);

  const auto expected = tree(dir / "whole");
  EXPECT_EQ(expected.size(), 9u);
  EXPECT_TRUE(expected.contains("part 3/part hero.png"));
  EXPECT_EQ(tree(dir / "sharded"), expected) << "the same folders, files and bytes";
  std::multiset<std::string> sources;
  for (const char* k : {"1", "2", "3"}) {
    const auto lines = reportLines(dir / (std::string("r") + k + ".jsonl"));
    EXPECT_EQ(lines.size(), 3u) << "slices of nine differ by one model at most";
    for (const auto& line : lines) {
      sources.insert(line["source"]);
      EXPECT_TRUE(line["error"].is_null()) << line;
    }
  }
  EXPECT_EQ(sources.size(), 9u);
  EXPECT_EQ(std::set<std::string>(sources.begin(), sources.end()).size(), 9u);
}

TEST(BatchCommand, KilledAndResumedDoesEveryModelOnce) {
  const ScratchFolder dir;
  writeNineModels(dir);
  const std::string arguments = "batch models " + hero + " --out out --report r.jsonl";
  const pid_t pid = fork();
  if (pid == 0) {
    const std::string line = command(dir.path(), arguments + " >/dev/null 2>&1");
    execl("/bin/sh", "sh", "-c", line.c_str(), nullptr);
    _exit(127);
  }
  for (int i = 0; i < 3000 && reportLines(dir / "r.jsonl").size() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  kill(pid, SIGKILL);  // no clean-up at all: the hardest stop a machine of a fleet can meet
  waitpid(pid, nullptr, 0);
  const std::size_t before = reportLines(dir / "r.jsonl").size();
  EXPECT_GE(before, 2u);
  EXPECT_LT(before, 9u) << "killed midway";

  const Outcome resumed = shell(command(dir.path(), arguments + " --resume r.jsonl 2>&1"));
  ASSERT_EQ(resumed.status, 0) << resumed.output;
  EXPECT_NE(resumed.output.find("; " + std::to_string(before) + " done before."), std::string::npos) << resumed.output;
  std::map<std::string, int> doneTimes;
  for (const auto& line : reportLines(dir / "r.jsonl")) {
    EXPECT_TRUE(line["error"].is_null()) << line;
    ++doneTimes[line["source"]];
  }
  EXPECT_EQ(doneTimes.size(), 9u);
  for (const auto& [source, times] : doneTimes) EXPECT_EQ(times, 1) << source;
  std::set<std::string> folders;
  for (const auto& [file, bytes] : tree(dir / "out")) folders.insert(fs::path(file).parent_path().string());
  EXPECT_EQ(folders, (std::set<std::string>{"part", "part 2", "part 3", "d", "e", "f", "g", "h", "i"}));
  EXPECT_EQ(tree(dir / "out").size(), 9u) << "nothing of the killed model's work is left in sight";
}

TEST(BatchCommand, ListsSlicesAndReportsRefusedWithOneSentence) {
  const ScratchFolder dir;
  writeNineModels(dir);
  dir.write("bad.jsonl", "{\"source\":\"x\"}\n");
  dir.write("one.txt", "models/d.obj\n");
  const struct { std::string arguments; int status; const char* says; } rows[] = {
      {"batch --files-from gone.txt --out o", 1, "gone.txt: the list of models can't be read (No such file or directory).\n"},
      {"batch models --files-from one.txt --out o", 64, "name one folder of models or --files-from FILE."},
      {"batch models --shard 4/3 --out o", 64, "--shard takes K/N, slice K of N with 1 <= K <= N (such as 2/8).\n"},
      {"batch models --resume bad.jsonl --out o", 1, "bad.jsonl: this isn't a batch report (line 1 isn't a batch result).\n"},
      {"batch models --shard 10/10 --out o", 0, "Nothing to export: this slice holds no model.\n"},
      {"batch --files-from - " + hero + " --out o < one.txt", 0, "ok      models/d.obj -> o/d (1 file)\n"},
  };
  for (const auto& row : rows) {
    const Outcome run = shell(command(dir.path(), row.arguments + " 2>&1"));
    EXPECT_EQ(run.status, row.status) << row.arguments << "\n" << run.output;
    EXPECT_NE(run.output.find(row.says), std::string::npos) << row.arguments << "\n" << run.output;
  }
}
