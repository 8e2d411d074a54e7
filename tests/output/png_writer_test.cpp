#include "output/png_writer.h"

#include "output/export_error.h"

#include "media_check.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace vantorel;
using namespace vantorel::test;

TEST(PNGWriter, OpaquePicturesAreRGBAndTransparentOnesStraightRGBA) {
  ScratchFolder folder;
  Image opaque = filled(6, 4, 10, 200, 30);
  opaque.row(3)[5 * 4] = 250;  // the last pixel: rows from the top, left to right
  PNGWriter::write(opaque, folder / "a.png", false);
  const PNGInfo a = readPNG(folder / "a.png");
  EXPECT_EQ(a.width, 6);
  EXPECT_EQ(a.height, 4);
  EXPECT_EQ(a.bitDepth, 8);
  EXPECT_FALSE(a.alpha);
  EXPECT_TRUE(a.sRGB);
  ASSERT_EQ(a.pixels.size(), 6u * 4 * 3);
  EXPECT_EQ((std::vector<int>{a.pixels[0], a.pixels[1], a.pixels[2], a.pixels[a.pixels.size() - 3]}),
            (std::vector<int>{10, 200, 30, 250}));

  Image clear = filled(3, 2, 0, 0, 0, 0);
  clear.row(0)[0] = 128, clear.row(0)[3] = 128;  // half-covered pure red, premultiplied
  for (int c = 4; c < 8; ++c) clear.row(1)[c] = 255;  // opaque white
  PNGWriter::write(clear, folder / "t.png", false);
  const PNGInfo t = readPNG(folder / "t.png");
  EXPECT_TRUE(t.alpha);
  EXPECT_TRUE(t.sRGB);
  ASSERT_EQ(t.pixels.size(), 3u * 2 * 4);
  EXPECT_EQ((std::vector<int>{t.pixels[0], t.pixels[1], t.pixels[2], t.pixels[3], t.pixels[7], t.pixels[16], t.pixels[19]}),
            (std::vector<int>{255, 0, 0, 128, 0, 255, 255}));
}

TEST(PNGWriter, FailuresNameTheFileAndLeaveNothingAndAnExistingFileIsKeptUnlessReplacing) {
  ScratchFolder folder;
  try {
    PNGWriter::write(filled(2, 2, 1, 2, 3), folder / "missing" / "x.png", false);
    FAIL() << "no error";
  } catch (const ExportError& error) {
    EXPECT_EQ(error.userText(), "The image couldn't be written: No such file or directory (x.png).");
  }
  try {  // a full disk: a file written anyway fails the check for leftovers below
    FileSizeLimit full(16);
    PNGWriter::write(filled(2, 2, 1, 2, 3), folder / "x.png", false);
  } catch (const ExportError& error) {
    EXPECT_EQ(error.userText(), "The image couldn't be written: " + std::generic_category().message(EFBIG) + " (x.png).");
  }
  Image broken(4, 4, true);
  broken.pixels.resize(10);
  EXPECT_THROW(PNGWriter::write(broken, folder / "b.png", false), ExportError);
  EXPECT_THROW(PNGWriter::write(Image(), folder / "c.png", false), ExportError);
  EXPECT_TRUE(folder.names().empty());

  const auto path = folder.write("Bracket hero.png", "old");
  EXPECT_THROW(PNGWriter::write(filled(2, 2, 1, 2, 3), path, false), ExportError);
  EXPECT_EQ(readText(path), "old");
  PNGWriter::write(filled(2, 2, 1, 2, 3), path, true);
  EXPECT_EQ(readPNG(path).width, 2);
  EXPECT_EQ(folder.names().size(), 1u);
}
