#pragma once
// The FFmpeg side of the video writer: one MP4 file, one H.264 or HEVC stream. Internal to the
// output library; FFmpeg's types stay in the .cpp.
#include "output/output_choices.h"
#include "output/pixel_size.h"
#include "base/image.h"

#include <filesystem>
#include <memory>
#include <stop_token>

namespace vantorel {

/// The average bit rate of a video in bits per second: 4 bits per pixel for HEVC, 6 for H.264,
/// at least 2,000,000 (1080 × 1080 H.264: 6,998,400).
std::int64_t videoBitRate(PixelSize size, VideoCodec codec);

/// Whether the encoders take `size`: both sides even (4:2:0 chroma), positive, at most 8192, and
/// no more pixels than the largest level allows.
bool videoSizeSupported(PixelSize size);

class VideoEncoder {
public:
  /// Opens `file` (which must exist and is overwritten) for a video of `size` at `fps` frames per
  /// second (1 … 2³¹ − 1; the caller checks), sets up the encoder and writes the header.
  /// Throws ExportError::video: a library description when the container or encoder is missing,
  /// "the size … isn't supported" when the encoder refuses the settings, the description or
  /// "the writer didn't start" when the header can't be written.
  VideoEncoder(const std::filesystem::path& file, PixelSize size, int fps, VideoCodec codec);
  ~VideoEncoder();
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  /// Encodes the next frame (presentation time = frames so far ÷ fps), drawn on white and scaled to
  /// the video's size when it differs. Consumes the picture's buffer. Throws ExportError::video:
  /// "out of memory", or the description or "a frame couldn't be added" when writing fails.
  void encode(Image&& frame);

  /// Drains the encoder, writes the index at the front of the file and closes it. Throws
  /// ExportError::video (description or "the file wasn't finished"), Cancelled on a stop request.
  void finish(std::stop_token stop);

private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vantorel
