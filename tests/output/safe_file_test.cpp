#include "output/safe_file.h"

#include "output/export_error.h"

#include "media_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace vantorel;
using namespace vantorel::test;
namespace fs = std::filesystem;

namespace {
void put(SafeFile& file, const std::string& text) {
  file.write({reinterpret_cast<const unsigned char*>(text.data()), text.size()});
}
}  // namespace

TEST(SafeFile, AppearsOnlyWhenCommittedAndLeavesNothingElse) {
  ScratchFolder folder;
  const fs::path destination = folder.path / "shot.png";
  {
    SafeFile file(destination, false);
    put(file, "new bytes");
    EXPECT_FALSE(fs::exists(destination));
    EXPECT_EQ(file.temporaryPath().parent_path(), folder.path);  // same file system: atomic rename
    file.commit();
  }
  EXPECT_EQ(readText(destination), "new bytes");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"shot.png"});
}

TEST(SafeFile, AbandonedFileLeavesNoTrace) {
  ScratchFolder folder;
  {
    SafeFile file(folder.path / "clip.mp4", false);
    put(file, "half a video");
  }
  EXPECT_TRUE(folder.names().empty());
}

TEST(SafeFile, RefusesAnExistingFileWithoutReplacing) {
  ScratchFolder folder;
  writeText(folder.path / "clip.mp4", "old");
  try {
    SafeFile file(folder.path / "clip.mp4", false);
    FAIL() << "no error";
  } catch (const ExportError& error) {
    EXPECT_EQ(error, ExportError::exists("clip.mp4"));
  }
  EXPECT_EQ(readText(folder.path / "clip.mp4"), "old");
  EXPECT_EQ(folder.names().size(), 1u);
}

TEST(SafeFile, NeverReplacesAFileThatAppearedMeanwhile) {
  ScratchFolder folder;
  const fs::path destination = folder.path / "clip.mp4";
  SafeFile file(destination, false);
  put(file, "ours");
  writeText(destination, "someone else's");
  EXPECT_THROW(file.commit(), ExportError);
  EXPECT_EQ(readText(destination), "someone else's");
}

TEST(SafeFile, ReplacingKeepsTheOldFileUntilTheNewOneIsComplete) {
  ScratchFolder folder;
  const fs::path destination = folder.path / "clip.mp4";
  writeText(destination, "old");
  {
    SafeFile file(destination, true);
    put(file, "new");
    EXPECT_EQ(readText(destination), "old");
  }
  EXPECT_EQ(readText(destination), "old");  // abandoned: the old file stays
  SafeFile file(destination, true);
  put(file, "new");
  file.commit();
  EXPECT_EQ(readText(destination), "new");
  EXPECT_EQ(folder.names().size(), 1u);
}

TEST(SafeFile, MissingFolderIsAFileSystemError) {
  ScratchFolder folder;
  EXPECT_THROW(SafeFile(folder.path / "missing" / "a.gif", false), fs::filesystem_error);
}

TEST(SafeFile, PermissionsFollowTheUmaskLikeAnyNewFile) {
  ScratchFolder folder;
  const mode_t old = umask(022);
  {
    SafeFile file(folder.path / "a.png", false);
    file.commit();
  }
  umask(old);
  EXPECT_EQ(fs::status(folder.path / "a.png").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST(SafeFile, LongNamesStillGetATemporaryFile) {
  ScratchFolder folder;
  const std::string name = std::string(240, 'x') + ".png";
  SafeFile file(folder.path / name, false);
  file.commit();
  EXPECT_TRUE(fs::exists(folder.path / name));
}
