#include "output/video_writer.h"

#include "output/cancelled.h"
#include "output/export_error.h"
#include "output/video_encoder.h"

#include "media_check.h"

#include <gtest/gtest.h>

using namespace vantorel;
using namespace vantorel::test;
namespace fs = std::filesystem;

namespace {

FrameSource turntable(int width, int height, int count, std::vector<std::int64_t>* asked = nullptr) {
  return [=](std::int64_t i) -> std::optional<Image> {
    if (asked) asked->push_back(i);
    return turntableFrame(width, height, int(i), count, width / 5);
  };
}

FrameSource failingAt(std::int64_t frame) {
  return [=](std::int64_t i) -> std::optional<Image> {
    if (i == frame) return std::nullopt;
    return filled(64, 64, 1, 2, 3);
  };
}

double number(const nlohmann::json& value) { return std::stod(value.get<std::string>()); }

}  // namespace

TEST(VideoWriter, BitRateRule) {
  EXPECT_EQ(videoBitRate({1080, 1080}, VideoCodec::h264), 6'998'400);
  EXPECT_EQ(videoBitRate({1080, 1080}, VideoCodec::hevc), 4'665'600);
  EXPECT_EQ(videoBitRate({720, 720}, VideoCodec::h264), 3'110'400);
  EXPECT_EQ(videoBitRate({3840, 2160}, VideoCodec::hevc), 33'177'600);
  EXPECT_EQ(videoBitRate({64, 64}, VideoCodec::h264), 2'000'000);
}

// H.264 at the default settings is checked end to end by the command-line tests.
TEST(VideoWriter, HEVCStreamAndContainerAsPlayersExpectThem) {
  ScratchFolder folder;
  const fs::path path = folder / "clip.mp4";
  std::vector<std::int64_t> asked;
  std::vector<double> progress;
  VideoWriter::write(path, {64, 48}, 4, 10, VideoCodec::hevc, false, [&](double p) { progress.push_back(p); },
                     turntable(64, 48, 10, &asked));
  EXPECT_EQ(asked, (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  ASSERT_EQ(progress.size(), 10u);
  EXPECT_DOUBLE_EQ(progress[0], 0.1);
  EXPECT_EQ(progress.back(), 1.0);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

  const auto info = probe(path);
  ASSERT_EQ(info["streams"].size(), 1u);
  const auto& video = info["streams"][0];
  for (const auto& [key, value] : {std::pair{"codec_name", "hevc"}, {"codec_tag_string", "hvc1"},
                                   {"color_primaries", "bt709"}, {"color_transfer", "bt709"}, {"color_space", "bt709"},
                                   {"pix_fmt", "yuv420p"}, {"color_range", "tv"}, {"avg_frame_rate", "4/1"},
                                   {"nb_read_frames", "10"}}) {
    EXPECT_EQ(video[key], value) << key;
  }
  EXPECT_EQ(video["width"], 64);
  EXPECT_EQ(video["height"], 48);
  EXPECT_DOUBLE_EQ(number(video["duration"]), 2.5);
  EXPECT_DOUBLE_EQ(number(info["format"]["duration"]), 2.5);
  EXPECT_NE(info["format"]["format_name"].get<std::string>().find("mp4"), std::string::npos);

  // The index comes before the media data, and a 'colr' box of type 'nclx' says primaries 1,
  // transfer 1, matrix 1 (BT.709), limited range.
  const std::string bytes = readText(path);
  EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
  EXPECT_NE(bytes.find(std::string("colrnclx") + std::string("\0\1\0\1\0\1\0", 7)), std::string::npos);
}

TEST(VideoWriter, ConvertsWithBT709CoefficientsAndDrawsTransparencyOnWhiteAtTheVideoSize) {
  ScratchFolder folder;
  // Pure red: luma 16 + 219 × 0.2126 ≈ 63 with BT.709 (BT.601 would give 81).
  VideoWriter::write(folder / "red.mp4", {64, 64}, 10, 2, VideoCodec::h264, false, {},
                     [](std::int64_t) { return filled(64, 64, 255, 0, 0); });
  const auto red = firstLuma(folder / "red.mp4", 64, 64);
  ASSERT_FALSE(red.empty());
  EXPECT_NEAR(red[32 * 64 + 32], 63, 2);
  // Fully transparent frames of another size end up white (luma 235), scaled to the video.
  VideoWriter::write(folder / "clear.mp4", {64, 64}, 10, 2, VideoCodec::h264, false, {},
                     [](std::int64_t) { return filled(32, 16, 0, 0, 0, 0); });
  const auto clear = firstLuma(folder / "clear.mp4", 64, 64);
  ASSERT_FALSE(clear.empty());
  EXPECT_NEAR(clear[32 * 64 + 32], 235, 2);
  EXPECT_NEAR(clear[63 * 64 + 63], 235, 2);
  const auto info = probe(folder / "clear.mp4");
  EXPECT_EQ(info["streams"][0]["width"], 64);
  EXPECT_EQ(info["streams"][0]["nb_read_frames"], "2");
}

TEST(VideoWriter, NoFramesCallsNothingAndWritesAnEmptyVideo) {
  ScratchFolder folder;
  int calls = 0;
  VideoWriter::write(folder / "empty.mp4", {64, 64}, 30, 0, VideoCodec::h264, false, [&](double) { ++calls; },
                     [&](std::int64_t) -> std::optional<Image> {
                       ++calls;
                       return std::nullopt;
                     });
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"empty.mp4"});
  EXPECT_DOUBLE_EQ(number(probe(folder / "empty.mp4")["format"]["duration"]), 0.0);  // a file players open
}

TEST(VideoWriter, MissingFramesCancellationAndCallbackErrorsLeaveNoFileAndAnOldOneStays) {
  ScratchFolder folder;
  try {
    VideoWriter::write(folder / "clip.mp4", {64, 64}, 30, 10, VideoCodec::h264, false, {}, failingAt(5));
    FAIL() << "no error";
  } catch (const ExportError& error) {
    EXPECT_EQ(error.userText(), "A frame couldn't be drawn.");
  }
  EXPECT_TRUE(folder.names().empty());

  std::stop_source stop;
  std::int64_t last = -1;
  EXPECT_THROW(VideoWriter::write(folder / "clip.mp4", {64, 64}, 30, 50, VideoCodec::h264, false, {},
                                  [&](std::int64_t i) {
                                    last = i;
                                    if (i == 3) stop.request_stop();
                                    return filled(64, 64, 1, 2, 3);
                                  },
                                  stop.get_token()),
               Cancelled);
  EXPECT_EQ(last, 3);  // checked before the next frame
  EXPECT_TRUE(folder.names().empty());

  struct Oops {};
  EXPECT_THROW(VideoWriter::write(folder / "clip.mp4", {64, 64}, 30, 50, VideoCodec::hevc, false, {},
                                  [&](std::int64_t i) -> std::optional<Image> {
                                    if (i == 7) throw Oops{};
                                    return filled(64, 64, 1, 2, 3);
                                  }),
               Oops);
  EXPECT_TRUE(folder.names().empty());

  const fs::path path = folder.write("clip.mp4", "old video");
  EXPECT_THROW(VideoWriter::write(path, {64, 64}, 30, 2, VideoCodec::h264, false, {}, turntable(64, 64, 2)),
               ExportError);
  EXPECT_THROW(VideoWriter::write(path, {64, 64}, 30, 4, VideoCodec::h264, true, {}, failingAt(2)), ExportError);
  EXPECT_EQ(readText(path), "old video");
  VideoWriter::write(path, {64, 64}, 30, 2, VideoCodec::h264, true, {}, turntable(64, 64, 2));
  EXPECT_EQ(probe(path)["streams"][0]["nb_read_frames"], "2");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"clip.mp4"});
}

TEST(VideoWriter, UnsupportedSettingsAreRefusedBeforeAnyFrame) {
  ScratchFolder folder;
  int calls = 0;
  const FrameSource counting = [&](std::int64_t) -> std::optional<Image> {
    ++calls;
    return filled(64, 64, 1, 2, 3);
  };
  try {
    VideoWriter::write(folder / "odd.mp4", {63, 64}, 30, 2, VideoCodec::h264, false, {}, counting);
    FAIL() << "no error";
  } catch (const ExportError& error) {
    EXPECT_EQ(error.userText(), "The video couldn't be written: the size 63 \u00D7 64 isn't supported.");
  }
  EXPECT_THROW(VideoWriter::write(folder / "big.mp4", {16384, 64}, 30, 2, VideoCodec::hevc, false, {}, counting),
               ExportError);
  EXPECT_THROW(VideoWriter::write(folder / "fps.mp4", {64, 64}, 0, 2, VideoCodec::h264, false, {}, counting),
               ExportError);
  EXPECT_THROW(VideoWriter::write(folder / "no" / "x.mp4", {64, 64}, 30, 2, VideoCodec::h264, false, {}, counting),
               ExportError);
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(folder.names().empty());
}
