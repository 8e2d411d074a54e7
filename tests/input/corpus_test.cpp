// Real STL, OBJ and 3MF files written by other tools, checked against the independently computed
// facts of the shared corpus's manifest: objects, triangles, bounds in millimetres, refusals.
#include "input/load_error.h"
#include "input/model_loader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>

namespace vantorel {
namespace {

const std::filesystem::path kCorpus = VANTOREL_CORPUS;

struct Row {
  std::string file, format, expect;  // expect: load, error or either
  std::optional<long> triangles, objects;
  std::optional<std::array<double, 6>> bounds;  // min x y z, max x y z
  std::string notes;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.file; }

std::vector<std::string> split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::stringstream s(line);
  for (std::string f; std::getline(s, f, separator);) fields.push_back(f);
  return fields;
}

/// The manifest's rows; none when the corpus isn't beside the checkout.
std::vector<Row> manifest() {
  std::vector<Row> rows;
  std::ifstream in(kCorpus / "manifest.tsv");
  std::string line;
  std::getline(in, line);  // header
  const auto number = [](const std::string& s) { return s == "-" ? std::nullopt : std::optional(std::stol(s)); };
  while (std::getline(in, line)) {
    const auto f = split(line, '\t');
    if (f.size() < 8) continue;
    Row row{f[0], f[1], f[2], number(f[4]), number(f[5]), std::nullopt, f[7]};
    if (f[6] != "-") {
      const auto b = split(f[6], ',');
      row.bounds.emplace();
      for (std::size_t i = 0; i < 6; ++i) (*row.bounds)[i] = std::stod(b.at(i));
    }
    rows.push_back(row);
  }
  return rows;
}

class CorpusFile : public testing::TestWithParam<Row> {};

TEST_P(CorpusFile, MatchesTheManifest) {
  const Row& e = GetParam();
  SCOPED_TRACE(e.file + " — " + e.notes);
  std::optional<PrintModel> model;
  std::string refusal;
  try {
    model = ModelLoader::load(kCorpus / e.file);
  } catch (const LoadError& x) {
    refusal = x.userText();
  }
  if (e.expect == "error") {
    EXPECT_FALSE(model) << "a file every reader must refuse was shown";
    return;
  }
  if (e.expect == "load") {
    ASSERT_TRUE(model) << "refused: " << refusal;
  }
  if (!model) return;  // "either": a refusal is fine, a crash is not
  if (e.triangles) {
    EXPECT_EQ(long(model->triangleCount()), *e.triangles);
  }
  if (e.objects) {
    EXPECT_EQ(long(model->objects.size()), *e.objects);
  }
  if (!e.bounds) return;
  std::array<double, 6> b{INFINITY, INFINITY, INFINITY, -INFINITY, -INFINITY, -INFINITY};
  for (const auto& o : model->objects) {
    for (const Float3& p : o.positions) {
      const double v[3] = {p.x, p.y, p.z};
      for (int k = 0; k < 3; ++k) b[k] = std::min(b[k], v[k]), b[k + 3] = std::max(b[k + 3], v[k]);
    }
  }
  const auto& ref = *e.bounds;
  for (int k = 0; k < 6; ++k) {
    // The manifest prints six significant digits.
    const double extent = std::max(1.0, std::abs(ref[k % 3 + 3] - ref[k % 3]));
    EXPECT_NEAR(b[k], ref[k], std::min(1e-3, 1e-4 * extent) + 1e-5 * std::abs(ref[k])) << "bound " << k;
  }
}

// Without the shared corpus beside the checkout there is nothing to check.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorpusFile);
INSTANTIATE_TEST_SUITE_P(Manifest, CorpusFile, testing::ValuesIn(manifest()),
                         [](const testing::TestParamInfo<Row>& info) {
                           std::string name = info.param.file;
                           for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST(CorpusManifest, ListsEveryModelFile) {
  if (!std::filesystem::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
  std::size_t onDisk = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(kCorpus)) {
    std::string ext = e.path().extension().string();
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    onDisk += ext == ".stl" || ext == ".obj" || ext == ".3mf";
  }
  EXPECT_GT(onDisk, 0u);
  EXPECT_EQ(manifest().size(), onDisk);
}

}  // namespace
}  // namespace vantorel
