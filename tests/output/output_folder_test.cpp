#include "output/output_folder.h"

#include "scratch_folder.h"

#include <gtest/gtest.h>

using namespace vantorel;
namespace fs = std::filesystem;

TEST(SafeName, ReplacesUnsafeCharactersAndTrims) {
  const std::pair<std::string, std::string> rows[] = {
      {"a/b:c", "a-b-c"}, {"what?", "what-"},   {"bracket.big", "bracket.big"}, {"x\\?%*|\"<>y", "x--------y"},
      {" \t part 1 \t", "part 1"}, {"   ", "Model"}, {"", "Model"}, {"\nx\n", "\nx\n"} /* line breaks stay */};
  for (const auto& [name, safe] : rows) EXPECT_EQ(Batch::safeName(name), safe) << name;
}

TEST(NewFolder, NumbersTakenNamesAndNeverReusesOne) {
  test::ScratchFolder dir;
  EXPECT_EQ(Exporter::newFolder(dir.path(), "Bracket"), dir / "Bracket");
  EXPECT_EQ(Exporter::newFolder(dir.path(), "Bracket"), dir / "Bracket 2");
  dir.write("Bracket 3", "a file, not a folder");
  EXPECT_EQ(Exporter::newFolder(dir.path(), "Bracket"), dir / "Bracket 4");
  EXPECT_TRUE(fs::is_regular_file(dir / "Bracket 3"));
  EXPECT_EQ(Exporter::newFolder(dir.path(), "a/b:c"), dir / "a-b-c");
  EXPECT_EQ(Exporter::newFolder(dir.path(), "  "), dir / "Model");

  for (int n = 2; n <= 9999; ++n) fs::create_directory(dir / ("Full " + std::to_string(n)));
  fs::create_directory(dir / "Full");
  try {
    Exporter::newFolder(dir.path(), "Full");
    FAIL() << "all names taken";
  } catch (const fs::filesystem_error& e) {
    EXPECT_EQ(e.code(), std::errc::file_exists);
  }
  EXPECT_THROW(Exporter::newFolder(dir / "missing" / "parent", "x"), fs::filesystem_error);
}
