// Every 3MF file of the shared corpus against the reference facts of its manifest: objects,
// triangles, bounds in millimetres, and the refusals.
#include "input/load_error.h"
#include "input/model_loader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace vantorel {
namespace {

const std::filesystem::path kCorpus = VANTOREL_CORPUS;

struct Row {
  std::string file, expect, triangles, objects, bbox;
};

std::vector<std::string> split(const std::string& line, char sep) {
  std::vector<std::string> fields;
  std::stringstream s(line);
  for (std::string f; std::getline(s, f, sep);) fields.push_back(f);
  return fields;
}

std::vector<Row> threeMFRows() {
  std::vector<Row> rows;
  std::ifstream in(kCorpus / "manifest.tsv");
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    const auto f = split(line, '\t');
    if (f.size() < 7 || f[1] != "3mf") continue;
    rows.push_back({f[0], f[2], f[4], f[5], f[6]});
  }
  return rows;
}

void PrintTo(const Row& row, std::ostream* os) { *os << row.file; }

class Corpus3MF : public testing::TestWithParam<Row> {};

TEST_P(Corpus3MF, MatchesTheManifest) {
  const Row& row = GetParam();
  std::optional<PrintModel> model;
  std::string refusal;
  try {
    model = ModelLoader::load(kCorpus / row.file);
  } catch (const LoadError& e) {
    refusal = e.userText();
  }
  if (row.expect == "error") {
    EXPECT_FALSE(model) << row.file << " should be refused";
    return;
  }
  if (row.expect == "load") {
    ASSERT_TRUE(model) << row.file << ": " << refusal;
  }
  if (!model) {
    RecordProperty("refused", refusal);
    return;
  }
  // Rows without reference numbers are odd files a lenient reader may show either way.
  if (row.triangles == "-") return;

  EXPECT_EQ(std::to_string(model->triangleCount()), row.triangles == "0" ? "(refused as empty)" : row.triangles)
      << row.file;
  EXPECT_EQ(std::to_string(model->objects.size()), row.objects) << row.file;
  const auto ref = split(row.bbox, ',');
  ASSERT_EQ(ref.size(), 6u) << row.file;
  double b[6] = {INFINITY, INFINITY, INFINITY, -INFINITY, -INFINITY, -INFINITY};
  for (const auto& o : model->objects) {
    for (const Float3& p : o.positions) {
      const double v[3] = {p.x, p.y, p.z};
      for (int i = 0; i < 3; ++i) {
        b[i] = std::min(b[i], v[i]);
        b[i + 3] = std::max(b[i + 3], v[i]);
      }
    }
  }
  for (int i = 0; i < 6; ++i) {
    const double expected = std::stod(ref[std::size_t(i)]);
    EXPECT_NEAR(b[i], expected, 1e-3 + 1e-5 * std::abs(expected)) << row.file << " bound " << i;
  }
}

// The corpus lives beside the checkout; a checkout on its own has nothing to compare with.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Corpus3MF);
INSTANTIATE_TEST_SUITE_P(Manifest, Corpus3MF, testing::ValuesIn(threeMFRows()),
                         [](const testing::TestParamInfo<Row>& info) {
                           std::string name = std::filesystem::path(info.param.file).stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name + "_" + std::to_string(info.index);
                         });

TEST(Corpus3MFManifest, ListsEveryThreeMFFile) {
  if (!std::filesystem::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
  std::size_t onDisk = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(kCorpus)) {
    std::string ext = e.path().extension().string();
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".3mf") ++onDisk;
  }
  EXPECT_GT(onDisk, 0u);
  EXPECT_EQ(threeMFRows().size(), onDisk);
}

}  // namespace
}  // namespace vantorel
