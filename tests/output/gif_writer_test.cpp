#include "output/gif_writer.h"

#include "output/cancelled.h"
#include "output/export_error.h"

#include "media_check.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>

using namespace vantorel;
using namespace vantorel::test;
namespace fs = std::filesystem;

namespace {

constexpr int kSide = 64, kFrames = 12, kRadius = 9;

FrameSource turntable(std::vector<std::int64_t>* asked = nullptr) {
  return [=](std::int64_t i) -> std::optional<Image> {
    if (asked) asked->push_back(i);
    return turntableFrame(kSide, kSide, int(i), kFrames, kRadius);
  };
}

FrameSource failingAt(std::int64_t frame) {
  return [=](std::int64_t i) -> std::optional<Image> {
    if (i == frame) return std::nullopt;
    return filled(kSide, kSide, 9, 9, 9);
  };
}

}  // namespace

TEST(GIFWriter, DelaysKeepTheTotalLengthRight) {
  for (std::int64_t fps : {7, 20, 24, 30, 60, 100, 1}) {
    int total = 0;
    for (std::int64_t n = 1; n <= 3 * fps; ++n) {
      const int d = GIFWriter::delay(n - 1, fps);
      EXPECT_TRUE(d == 100 / fps || d == 100 / fps + 1) << fps << " fps, frame " << n - 1;
      total += d;
      EXPECT_EQ(total, int(std::lround(100.0 * double(n) / double(fps)))) << fps << " fps after " << n << " frames";
    }
  }
}

TEST(GIFWriter, PaletteSampleFramesSpreadOverTheTurn) {
  EXPECT_EQ(GIFWriter::paletteSampleFrames(200), (std::vector<std::int64_t>{0, 25, 50, 75, 100, 125, 150, 175}));
  EXPECT_EQ(GIFWriter::paletteSampleFrames(3), (std::vector<std::int64_t>{0, 1, 2}));
  EXPECT_EQ(GIFWriter::paletteSampleFrames(10, 4), (std::vector<std::int64_t>{0, 2, 5, 7}));
  EXPECT_TRUE(GIFWriter::paletteSampleFrames(0).empty());
}

TEST(GIFWriter, LoopsForEverWithDelaysFromTheFrameRateAStillBackdropAndSmallFramesThatDecodeClose) {
  ScratchFolder folder;
  const fs::path path = folder / "turn.gif";
  std::vector<std::int64_t> asked;
  std::vector<double> progress;
  GIFWriter::write(path, {kSide, kSide}, 20, kFrames, false, [&](double p) { progress.push_back(p); }, turntable(&asked));
  EXPECT_EQ(asked, (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  ASSERT_EQ(progress.size(), std::size_t(kFrames));
  EXPECT_EQ(progress.back(), 1.0);
  // The NETSCAPE2.0 extension with a loop count of 0: for ever.
  EXPECT_NE(readText(path).find(std::string("NETSCAPE2.0\3\1\0\0", 15)), std::string::npos);

  const GIFInfo gif = readGIF(path);
  EXPECT_EQ(gif.width, kSide);
  EXPECT_EQ(gif.height, kSide);
  ASSERT_EQ(gif.canvases.size(), std::size_t(kFrames));
  // Pixels more than a few pixels away from every position of the disc must never change,
  // including those below and right of it, where diffused error would otherwise land.
  int checked = 0;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      bool far = true;
      for (int i = 0; i < kFrames && far; ++i) {
        const auto [cx, cy] = discCentre(kSide, kSide, i, kFrames);
        far = std::hypot(x + 0.5 - cx, y + 0.5 - cy) > kRadius + 3;
      }
      if (!far) continue;
      ++checked;
      const std::size_t at = (std::size_t(y) * kSide + std::size_t(x)) * 3;
      for (int i = 1; i < kFrames; ++i) {
        const auto& a = gif.canvases[0];
        const auto& b = gif.canvases[std::size_t(i)];
        ASSERT_TRUE(a[at] == b[at] && a[at + 1] == b[at + 1] && a[at + 2] == b[at + 2])
            << "pixel " << x << "," << y << " changed in frame " << i;
      }
    }
  }
  EXPECT_GT(checked, kSide * kSide / 3);
  // Later frames store only the rectangle around what moved, drawn over the previous frame.
  EXPECT_EQ(gif.frames[0].width * gif.frames[0].height, kSide * kSide);
  for (int i = 0; i < kFrames; ++i) {
    const GIFFrameInfo& frame = gif.frames[std::size_t(i)];
    EXPECT_EQ(frame.delay, 5) << i;
    if (i > 0) {
      EXPECT_LT(frame.width * frame.height, kSide * kSide / 2) << i;
      EXPECT_EQ(frame.disposal, 1) << i;
    }
    EXPECT_GT(psnr(turntableFrame(kSide, kSide, i, kFrames, kRadius), gif.canvases[std::size_t(i)]), 30.0) << i;
  }

  GIFWriter::write(folder / "30.gif", {kSide, kSide}, 30, 6, false, {}, turntable());
  std::vector<int> delays;
  for (const auto& frame : readGIF(folder / "30.gif").frames) delays.push_back(frame.delay);
  EXPECT_EQ(delays, (std::vector<int>{3, 4, 3, 3, 4, 3}));
}

TEST(GIFWriter, PaletteSampleCoversColoursThatAppearLater) {
  ScratchFolder folder;
  // Grey first, then a saturated red that only the sample shows in advance.
  const auto frame = [](std::int64_t i) -> std::optional<Image> {
    return i < 3 ? filled(16, 16, 128, 128, 128) : filled(16, 16, 220, 20, 30);
  };
  const Image sample[] = {filled(16, 16, 128, 128, 128), filled(16, 16, 220, 20, 30)};
  GIFWriter::write(folder / "a.gif", {16, 16}, 10, 5, false, {}, frame, {}, sample);
  const GIFInfo gif = readGIF(folder / "a.gif");
  ASSERT_EQ(gif.canvases.size(), 5u);
  const auto& last = gif.canvases[4];
  EXPECT_NEAR(last[0], 220, 2);
  EXPECT_NEAR(last[1], 20, 2);
  EXPECT_NEAR(last[2], 30, 2);
}

TEST(GIFWriter, TransparentAndResizedFramesEndUpOnWhiteAtTheGIFSize) {
  ScratchFolder folder;
  GIFWriter::write(folder / "w.gif", {20, 10}, 10, 2, false, {},
                   [](std::int64_t) { return filled(40, 20, 0, 0, 0, 0); });
  const GIFInfo gif = readGIF(folder / "w.gif");
  EXPECT_EQ(gif.width, 20);
  EXPECT_EQ(gif.height, 10);
  ASSERT_EQ(gif.canvases.size(), 2u);
  for (std::uint8_t v : gif.canvases[1]) ASSERT_EQ(v, 255);
}

TEST(GIFWriter, NoFramesGivesAnEmptyLoopingGIF) {
  ScratchFolder folder;
  int calls = 0;
  GIFWriter::write(folder / "none.gif", {8, 8}, 20, 0, false, [&](double) { ++calls; },
                   [&](std::int64_t) -> std::optional<Image> {
                     ++calls;
                     return std::nullopt;
                   });
  EXPECT_EQ(calls, 0);
  // A GIF with no image: header, 8 × 8 screen, the loop extension and the trailer, nothing else
  // (giflib's reader insists on at least one image, so the bytes are checked directly).
  const std::string bytes = readText(folder / "none.gif");
  EXPECT_EQ(bytes.substr(0, 10), std::string("GIF89a\10\0\10\0", 10));
  EXPECT_NE(bytes.find("NETSCAPE2.0"), std::string::npos);
  EXPECT_EQ(bytes.find(','), std::string::npos);  // no image descriptor
  EXPECT_TRUE(bytes.ends_with(';'));
}

TEST(GIFWriter, FailuresAndCancellationLeaveNoFileAndSayWhy) {
  ScratchFolder folder;
  const fs::path path = folder / "turn.gif";
  EXPECT_THROW(GIFWriter::write(path, {kSide, kSide}, 20, kFrames, false, {}, failingAt(4)), ExportError);
  std::stop_source stop;
  EXPECT_THROW(GIFWriter::write(path, {kSide, kSide}, 20, kFrames, false, {},
                                [&](std::int64_t i) {
                                  if (i == 2) stop.request_stop();
                                  return filled(kSide, kSide, 9, 9, 9);
                                },
                                stop.get_token()),
               Cancelled);
  EXPECT_TRUE(folder.names().empty());

  folder.write("turn.gif", "old");
  EXPECT_THROW(GIFWriter::write(path, {kSide, kSide}, 20, 2, false, {}, turntable()), ExportError);
  EXPECT_THROW(GIFWriter::write(path, {kSide, kSide}, 20, 4, true, {}, failingAt(3)), ExportError);
  EXPECT_EQ(readText(path), "old");

  const auto text = [&](const fs::path& to, PixelSize size, std::int64_t fps) {
    try {
      GIFWriter::write(to, size, fps, 1, false, {}, turntable());
    } catch (const ExportError& error) {
      return error.userText();
    }
    return std::string("no error");
  };
  EXPECT_EQ(text(folder / "no" / "a.gif", {8, 8}, 20), "The image couldn't be written: No such file or directory.");
  {
    FileSizeLimit full(16);
    EXPECT_EQ(text(folder / "a.gif", {8, 8}, 20),
              "The image couldn't be written: " + std::generic_category().message(EFBIG) + ".");
  }
  EXPECT_EQ(text(folder / "a.gif", {8, 8}, 240), "The image couldn't be written: the frame rate 240 isn't supported.");
  EXPECT_EQ(text(folder / "a.gif", {0, 8}, 20), "The image couldn't be written: the size 0 \u00D7 8 isn't supported.");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"turn.gif"});
}
