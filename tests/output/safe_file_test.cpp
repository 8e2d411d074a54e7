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

TEST(SafeFile, AppearsOnlyWhenCommittedAndAbandonedLeavesNoTrace) {
  ScratchFolder folder;
  {
    SafeFile file(folder / "clip.mp4", false);
    put(file, "half a video");
  }
  EXPECT_TRUE(folder.names().empty());
  {
    SafeFile file(folder / "shot.png", false);
    put(file, "new bytes");
    EXPECT_FALSE(fs::exists(folder / "shot.png"));
    EXPECT_EQ(file.temporaryPath().parent_path(), folder.path());  // same file system: atomic rename
    file.commit();
  }
  EXPECT_EQ(readText(folder / "shot.png"), "new bytes");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"shot.png"});
}

TEST(SafeFile, NeverReplacesAnExistingFileOrOneThatAppearedMeanwhile) {
  ScratchFolder folder;
  folder.write("old.mp4", "old");
  try {
    SafeFile file(folder / "old.mp4", false);
    FAIL() << "no error";
  } catch (const ExportError& error) {
    EXPECT_EQ(error, ExportError::exists("old.mp4"));
  }
  EXPECT_EQ(readText(folder / "old.mp4"), "old");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"old.mp4"});
  SafeFile file(folder / "clip.mp4", false);
  put(file, "ours");
  folder.write("clip.mp4", "someone else's");
  EXPECT_THROW(file.commit(), ExportError);
  EXPECT_EQ(readText(folder / "clip.mp4"), "someone else's");
}

TEST(SafeFile, UmaskLongNamesAndMissingFolders) {
  ScratchFolder folder;
  const mode_t old = umask(022);
  SafeFile(folder / "a.png", false).commit();
  umask(old);
  EXPECT_EQ(fs::status(folder / "a.png").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  const std::string name = std::string(251, 'x') + ".png";  // the longest name: still room for a temporary one
  SafeFile(folder / name, false).commit();
  EXPECT_TRUE(fs::exists(folder / name));
  // Two writes to one name at once each have their own temporary file; the last to finish wins.
  SafeFile first(folder / "a.png", true), second(folder / "a.png", true);
  put(first, "first"), put(second, "second");
  first.commit(), second.commit();
  EXPECT_EQ(readText(folder / "a.png"), "second");
  EXPECT_THROW(SafeFile(folder / "missing" / "a.gif", false), fs::filesystem_error);
}
