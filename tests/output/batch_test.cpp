// The parts of a batch that let it run as slices on many machines and pick up after a kill.
#include "output/batch.h"
#include "output/export_error.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace vantorel;
using vantorel::test::ScratchFolder;

TEST(Batch, OrderNamesAndSlicesDependOnlyOnTheList) {
  const auto files = Batch::ordered({"m/b/part.stl", "m/a/part.obj", "m/part 2.stl", "m/a/part.obj", "m/x?.stl", "m/B.stl"});
  EXPECT_EQ(files, (std::vector<fs::path>{"m/B.stl", "m/a/part.obj", "m/b/part.stl", "m/part 2.stl", "m/x?.stl"}));
  EXPECT_EQ(Batch::folderNames(files), (std::vector<std::string>{"B", "part", "part 2", "part 2 2", "x-"}));
  EXPECT_EQ(Batch::folderNames({"a/part.stl", "b/part.stl"}, ModelLoader::PlateChoice::plate(2)),
            (std::vector<std::string>{"part plate 2", "part plate 2 2"}));

  const struct { std::size_t count, k, n; std::vector<std::size_t> slice; } rows[] = {
      {7, 1, 3, {0, 3, 6}}, {7, 3, 3, {2, 5}}, {2, 3, 3, {}}, {3, 1, 1, {0, 1, 2}}, {3, 4, 3, {}}, {3, 0, 3, {}},
  };
  for (const auto& row : rows) EXPECT_EQ(Batch::shard(row.count, row.k, row.n), row.slice) << row.k << "/" << row.n;
}

TEST(Batch, ReportLinesSurviveAKillAndTellWhatIsDone) {
  const ScratchFolder dir;
  const auto report = dir / "r.jsonl";
  {
    Batch::ReportLines lines(report, false);
    lines.add({dir / "a.stl", {dir / "out/a/a.gif"}, std::nullopt});
    lines.add({dir / "b.stl", {}, "The file has no triangles to show."});
  }
  EXPECT_THROW(Batch::ReportLines(report, false), ExportError) << "never replaced";
  std::ofstream(report, std::ios::app) << R"({"source":"c.stl","outp)";  // a write cut short by a kill
  EXPECT_EQ(Batch::doneSources(report), std::set<fs::path>{dir / "a.stl"}) << "failures are not done";
  {
    Batch::ReportLines lines(report, true);
    lines.add({"c.stl", {}, std::nullopt});
  }
  std::ifstream in(report);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  EXPECT_TRUE(text.ends_with(Batch::reportLine({"c.stl", {}, std::nullopt})));
  EXPECT_EQ(Batch::doneSources(report).size(), 2u);

  dir.write("array.json", Batch::reportJSON({{"d.stl", {}, std::nullopt}}));
  EXPECT_EQ(Batch::doneSources(dir / "array.json"), std::set<fs::path>{fs::absolute("d.stl")});
  EXPECT_THROW(Batch::doneSources(dir.write("other.jsonl", "{}\n")), std::runtime_error);
  EXPECT_THROW(Batch::doneSources(dir / "gone.jsonl"), std::system_error);
}
