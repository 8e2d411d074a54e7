#include "output/png_writer.h"

#include "output/export_error.h"

#include "media_check.h"

#include <gtest/gtest.h>

using namespace vantorel;
using namespace vantorel::test;
namespace fs = std::filesystem;

TEST(PNGWriter, OpaquePictureIsRGBWithSRGBChunk) {
  ScratchFolder folder;
  Image image = filled(6, 4, 10, 200, 30);
  image.row(3)[5 * 4] = 250;  // the last pixel: rows from the top, left to right
  PNGWriter::write(image, folder.path / "a.png", false);
  const PNGInfo png = readPNG(folder.path / "a.png");
  EXPECT_EQ(png.width, 6);
  EXPECT_EQ(png.height, 4);
  EXPECT_EQ(png.bitDepth, 8);
  EXPECT_FALSE(png.alpha);
  EXPECT_TRUE(png.sRGB);
  ASSERT_EQ(png.pixels.size(), 6u * 4 * 3);
  EXPECT_EQ((std::vector<int>{png.pixels[0], png.pixels[1], png.pixels[2]}), (std::vector<int>{10, 200, 30}));
  EXPECT_EQ(png.pixels[png.pixels.size() - 3], 250);
}

TEST(PNGWriter, TransparentPictureKeepsAlphaUnpremultiplied) {
  ScratchFolder folder;
  Image image = filled(3, 2, 0, 0, 0, 0);
  image.row(0)[0] = 128, image.row(0)[3] = 128;             // half-covered pure red
  image.row(1)[4] = 255, image.row(1)[5] = 255, image.row(1)[6] = 255, image.row(1)[7] = 255;  // opaque white
  PNGWriter::write(image, folder.path / "t.png", false);
  const PNGInfo png = readPNG(folder.path / "t.png");
  EXPECT_TRUE(png.alpha);
  EXPECT_TRUE(png.sRGB);
  ASSERT_EQ(png.pixels.size(), 3u * 2 * 4);
  EXPECT_EQ((std::vector<int>{png.pixels[0], png.pixels[1], png.pixels[2], png.pixels[3]}),
            (std::vector<int>{255, 0, 0, 128}));
  EXPECT_EQ(png.pixels[7], 0);  // fully transparent
  EXPECT_EQ((std::vector<int>{png.pixels[16], png.pixels[19]}), (std::vector<int>{255, 255}));
}

TEST(PNGWriter, ExistingFileIsKeptUnlessReplacing) {
  ScratchFolder folder;
  const fs::path path = folder.path / "Bracket hero.png";
  writeText(path, "old");
  try {
    PNGWriter::write(filled(2, 2, 1, 2, 3), path, false);
    FAIL() << "no error";
  } catch (const ExportError& error) {
    EXPECT_EQ(error.userText(), "\u201C" "Bracket hero.png\u201D already exists, so it wasn't replaced.");
  }
  EXPECT_EQ(readText(path), "old");
  PNGWriter::write(filled(2, 2, 1, 2, 3), path, true);
  EXPECT_EQ(readPNG(path).width, 2);
  EXPECT_EQ(folder.names().size(), 1u);
}

TEST(PNGWriter, FailuresNameTheFileAndLeaveNothing) {
  ScratchFolder folder;
  try {
    PNGWriter::write(filled(2, 2, 1, 2, 3), folder.path / "missing" / "x.png", false);
    FAIL() << "no error";
  } catch (const ExportError& error) {
    EXPECT_EQ(error.userText(), "The image couldn't be written: x.png couldn't be created.");
  }
  Image broken(4, 4, true);
  broken.pixels.resize(10);
  EXPECT_THROW(PNGWriter::write(broken, folder.path / "b.png", false), ExportError);
  EXPECT_THROW(PNGWriter::write(Image(), folder.path / "c.png", false), ExportError);
  EXPECT_TRUE(folder.names().empty());
}
