#include "output/batch.h"

#include <gtest/gtest.h>

using namespace vantorel;

TEST(BatchReport, OneObjectPerResult) {
  const std::vector<Batch::Result> results{{"in/a.stl", {"out/a/a.mp4", "out/a/a.gif"}, std::nullopt},
                                           {"in/b.stl", {}, "The file has no triangles to show."}};
  const std::string expected = R"([
  {
    "source": "in/a.stl",
    "outputs": [
      "out/a/a.mp4",
      "out/a/a.gif"
    ],
    "error": null
  },
  {
    "source": "in/b.stl",
    "outputs": [],
    "error": "The file has no triangles to show."
  }
]
)";
  EXPECT_EQ(Batch::reportJSON(results), expected);
}
