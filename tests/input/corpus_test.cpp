// Real STL and OBJ files written by other tools, checked against independently computed facts.
#include "corpus_manifest.h"
#include "input/load_error.h"
#include "input/model_loader.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantorel;
using namespace vantorel::test;

namespace {

class CorpusFile : public testing::TestWithParam<CorpusEntry> {};

std::array<double, 6> boundsOf(const PrintModel& m) {
  std::array<double, 6> b{INFINITY, INFINITY, INFINITY, -INFINITY, -INFINITY, -INFINITY};
  for (const auto& o : m.objects) {
    for (auto i : o.indices) {  // only the vertices triangles use
      const Float3& p = o.positions[i];
      const double v[3] = {p.x, p.y, p.z};
      for (int k = 0; k < 3; ++k) b[k] = std::min(b[k], v[k]), b[k + 3] = std::max(b[k + 3], v[k]);
    }
  }
  return b;
}

}  // namespace

TEST_P(CorpusFile, MatchesTheReference) {
  const CorpusEntry& e = GetParam();
  SCOPED_TRACE(e.file + " — " + e.notes);
  std::optional<PrintModel> model;
  std::optional<LoadError> error;
  try {
    model = ModelLoader::load(corpusFolder() / e.file);
  } catch (const LoadError& x) {
    error = x;
  }

  if (e.expect == "error") {
    EXPECT_TRUE(error.has_value()) << "a file every reader must refuse was shown";
    return;
  }
  if (e.expect == "load") {
    ASSERT_TRUE(model.has_value()) << "refused: " << (error ? error->userText() : "");
  }
  if (!model) return;  // "either": a refusal is fine, a crash is not
  if (e.triangles) {
    EXPECT_EQ(long(model->triangleCount()), *e.triangles);
  }
  if (e.objects && e.expect == "load") {
    EXPECT_EQ(long(model->objects.size()), *e.objects);
  }
  if (e.bounds) {
    const auto b = boundsOf(*model);
    for (int k = 0; k < 6; ++k) {
      const double extent = std::max(1.0, std::abs((*e.bounds)[k % 3 + 3] - (*e.bounds)[k % 3]));
      // The manifest prints six significant digits.
      EXPECT_NEAR(b[k], (*e.bounds)[k], 1e-4 * extent + 1e-5 * std::abs((*e.bounds)[k])) << "bound " << k;
    }
  }
}

// Without the shared corpus beside the checkout there is nothing to check.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorpusFile);

INSTANTIATE_TEST_SUITE_P(STLAndOBJ, CorpusFile, testing::ValuesIn(corpusEntries({"stl-binary", "stl-ascii", "obj"})),
                         [](const testing::TestParamInfo<CorpusEntry>& info) {
                           std::string name = info.param.file;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });
