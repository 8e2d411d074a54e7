#include "output/output_folder.h"

#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace vantorel;
namespace fs = std::filesystem;

TEST(SafeName, ReplacesUnsafeCharactersAndTrims) {
  const std::pair<std::string, std::string> rows[] = {
      {"a/b:c", "a-b-c"}, {"what?", "what-"},   {"bracket.big", "bracket.big"}, {"x\\?%*|\"<>y", "x--------y"},
      {" \t part 1 \t", "part 1"}, {"   ", "Model"}, {"", "Model"}, {"\nx\n", "\nx\n"} /* line breaks stay */};
  for (const auto& [name, safe] : rows) EXPECT_EQ(Batch::safeName(name), safe) << name;
}

TEST(FittedName, CutsTheBaseOnACharacterBoundaryAndKeepsTheSuffix) {
  test::ScratchFolder dir;
  std::string e;  // 127 × é, two bytes each
  for (int i = 0; i < 127; ++i) e += "\u00E9";
  const std::string x(250, 'x'), spaced = std::string(243, 'x') + "   yyyy";
  const std::tuple<std::string, std::string, std::string> rows[] = {
      {x, " 1-three-quarter.png", x.substr(0, 235) + " 1-three-quarter.png"},
      {spaced, " hero.png", spaced.substr(0, 243) + " hero.png"}, {e, " 2", e.substr(0, 252) + " 2"}};
  for (const auto& [base, suffix, name] : rows) EXPECT_EQ(Exporter::fittedName(dir.path(), base, suffix), dir / name);
  Exporter::newFolder(dir.path(), e);
  EXPECT_EQ(Exporter::newFolder(dir.path(), e), dir / (e.substr(0, 252) + " 2"));
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
