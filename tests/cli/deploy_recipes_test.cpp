// The recipes in deploy/ run as far as a machine without Slurm, Kubernetes or Docker allows: their
// shard arithmetic with the engines' variables set, and the container file's shape.
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;
using vantorel::test::ScratchFolder;

namespace {

const fs::path deploy = fs::path(__FILE__).parent_path().parent_path().parent_path() / "deploy";

std::string read(const fs::path& file) {
  std::ifstream in(file);
  return {std::istreambuf_iterator<char>(in), {}};
}

int run(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::size_t lines(const fs::path& file) {
  const std::string text = read(file);
  return std::size_t(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

TEST(DeployRecipes, SlurmAndKubernetesSlicesCoverTheBatchOnce) {
  const ScratchFolder dir;
  const std::string tetra = "v 0 0 0\nv 10 0 0\nv 0 10 0\nv 0 0 10\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 1 4 3\n";
  for (const char* name : {"a.obj", "b.obj", "c.obj", "d.obj", "broken.obj"}) dir.write(fs::path("models") / name, name[1] == 'r' ? "v 1\n" : tetra);
  const std::string env = "cd '" + dir.path().string() + "' && VANTOREL_GL=software VANTOREL_CLI='" + VANTOREL_CLI +
                          "' PATH='" + deploy.string() + "':\"$PATH\" ";
  dir.write("hero.json", R"({"aspect":"square","resolution":720,"includeSet":false,"includeHero":true})");
  const std::string stills = " --stills --stills-spec hero.json";
  const std::string options = stills + " >/dev/null 2>&1";

  // Slurm: array 1-2 as tasks 1 and 2 of 2; a failing model still ends its task with status 0.
  for (const char* id : {"1", "2"}) {
    EXPECT_EQ(run(env + "SLURM_ARRAY_TASK_ID=" + id + " SLURM_ARRAY_TASK_COUNT=2 SLURM_ARRAY_TASK_MIN=1 sh '" +
                  (deploy / "slurm-batch.sh").string() + "' models slurm" + options),
              0);
  }
  EXPECT_EQ(lines(dir / "slurm/.reports/slice-1-2.jsonl") + lines(dir / "slurm/.reports/slice-2-2.jsonl"), 5u);

  // Kubernetes: the container's command line, with the volume's paths pointing here.
  const std::string yaml = read(deploy / "kubernetes-job.yaml");
  const auto at = yaml.find("exec run-slice");
  ASSERT_NE(at, std::string::npos);
  std::string line = yaml.substr(at, yaml.find('\n', at) - at);
  for (std::size_t p; (p = line.find("/data/")) != std::string::npos;) line.replace(p, 6, "");
  for (const char* index : {"0", "1", "2"}) {
    EXPECT_EQ(run(env + "JOB_COMPLETION_INDEX=" + index + " SLICES=3 sh -c '" + line + stills + "' >/dev/null 2>&1"), 0) << line;
  }
  std::size_t total = 0;
  for (const char* k : {"1", "2", "3"}) total += lines(dir / "reports" / (std::string("slice-") + k + "-3.jsonl"));
  EXPECT_EQ(total, 5u);
  // Run again, as a retried pod is: done models are not made twice, the failed one is tried again.
  for (const char* index : {"0", "2"}) {
    EXPECT_EQ(run(env + "JOB_COMPLETION_INDEX=" + index + " SLICES=3 sh -c '" + line + stills + "' >/dev/null 2>&1"), 0);
  }
  EXPECT_EQ(lines(dir / "reports/slice-1-3.jsonl"), 2u);
  EXPECT_EQ(lines(dir / "reports/slice-3-3.jsonl"), 2u) << "broken.obj, the third of five, twice";
  if (run("python3 -c 'import yaml' 2>/dev/null") == 0) {
    EXPECT_EQ(run("python3 -c 'import sys, yaml; j = yaml.safe_load(open(sys.argv[1])); "
                  "sys.exit(j[\"spec\"][\"completionMode\"] != \"Indexed\")' '" + (deploy / "kubernetes-job.yaml").string() + "'"),
              0);
  }

  // The container is built by ./dev, the way a developer's machine is, and runs as a plain user.
  const std::string docker = read(deploy / "Dockerfile");
  for (const char* step : {"FROM debian:12\n", "RUN ./dev setup", "RUN ./dev build", "USER vantorel\n", "ENTRYPOINT [\"vantorel-cli\"]"}) {
    EXPECT_NE(docker.find(step), std::string::npos) << step;
  }
}
