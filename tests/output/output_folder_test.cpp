#include "output/output_folder.h"
#include "output/shot_angle.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

using namespace vantorel;
namespace fs = std::filesystem;

namespace {
struct Scratch {
  fs::path path = fs::temp_directory_path() / ("vantorel-folder-" + std::to_string(std::random_device{}()));
  Scratch() { fs::create_directories(path); }
  ~Scratch() { fs::remove_all(path); }
};
}  // namespace

TEST(SafeName, ReplacesUnsafeCharactersAndTrims) {
  EXPECT_EQ(Batch::safeName("a/b:c"), "a-b-c");
  EXPECT_EQ(Batch::safeName("what?"), "what-");
  EXPECT_EQ(Batch::safeName("bracket.big"), "bracket.big");
  EXPECT_EQ(Batch::safeName("x\\?%*|\"<>y"), "x--------y");
  EXPECT_EQ(Batch::safeName(" \t part 1 \t"), "part 1");
  EXPECT_EQ(Batch::safeName("   "), "Model");
  EXPECT_EQ(Batch::safeName(""), "Model");
  EXPECT_EQ(Batch::safeName("\nx\n"), "\nx\n") << "line breaks are not trimmed";
}

TEST(NewFolder, NumbersTakenNamesAndNeverReusesOne) {
  Scratch dir;
  EXPECT_EQ(Exporter::newFolder(dir.path, "Bracket"), dir.path / "Bracket");
  EXPECT_EQ(Exporter::newFolder(dir.path, "Bracket"), dir.path / "Bracket 2");
  std::ofstream(dir.path / "Bracket 3") << "a file, not a folder";
  EXPECT_EQ(Exporter::newFolder(dir.path, "Bracket"), dir.path / "Bracket 4");
  EXPECT_TRUE(fs::is_regular_file(dir.path / "Bracket 3"));
  EXPECT_EQ(Exporter::newFolder(dir.path, "a/b:c"), dir.path / "a-b-c");
  EXPECT_EQ(Exporter::newFolder(dir.path, "  "), dir.path / "Model");

  for (int n = 2; n <= 9999; ++n) fs::create_directory(dir.path / ("Full " + std::to_string(n)));
  fs::create_directory(dir.path / "Full");
  try {
    Exporter::newFolder(dir.path, "Full");
    FAIL() << "all names taken";
  } catch (const fs::filesystem_error& e) {
    EXPECT_EQ(e.code(), std::errc::file_exists);
  }
  EXPECT_THROW(Exporter::newFolder(dir.path / "missing" / "parent", "x"), fs::filesystem_error);
}

TEST(ShotAngle, SixViewsAndHeroElevations) {
  const auto& set = ShotAngle::set();
  ASSERT_EQ(set.size(), 6u);
  EXPECT_EQ(set[0], (ShotAngle{"1-three-quarter", "Three-quarter", 0, std::nullopt}));
  EXPECT_EQ(set[3].id, "4-back");
  EXPECT_EQ(set[3].turn, 215);
  EXPECT_EQ(set[2].turn, -55);
  EXPECT_EQ(set[5], (ShotAngle{"6-top", "From above", 0, 70.0f}));
  EXPECT_EQ(heroElevation(CameraAngle::threeQuarter), 16);
  EXPECT_EQ(heroElevation(CameraAngle::eyeLevel), 12);
  EXPECT_EQ(heroElevation(CameraAngle::high), 34);
  EXPECT_EQ(heroElevation(CameraAngle::top), 66);
}
