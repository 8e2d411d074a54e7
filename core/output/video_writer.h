#pragma once
// The turntable video: frames from a callback into an MP4 file.
#include "output/output_choices.h"
#include "output/pixel_size.h"
#include "output/writer_callbacks.h"

#include <cstdint>
#include <filesystem>
#include <stop_token>

namespace vantorel::VideoWriter {

/// Writes `count` frames (frame(0) … frame(count − 1), each once, in order, on the calling thread)
/// to `destination` as MP4 (index at the front): H.264 High profile or HEVC tagged "hvc1", average
/// bit rate videoBitRate(size, codec), a key frame every 2 s, BT.709 primaries, transfer and matrix
/// in stream and container, 4:2:0 limited range. Frame i is shown at i ÷ fps and the file lasts
/// exactly count ÷ fps seconds (count ≤ 0: an empty video). Frames are drawn on white and scaled to
/// `size` when theirs differs. Encoding runs on a second thread while the next frame is drawn; a few
/// frames wait at most, so memory does not grow with the length. The same frames and settings give
/// the same bytes on any run and any number of processor cores: the file holds no creation time or
/// library version strings, and the encoder's threads are a fixed number.
///
/// The file appears complete or not at all: nothing is left behind after a failure or cancellation,
/// and with `replacing` an existing file is replaced only by a complete new one.
///
/// Throws ExportError::exists (file name) when the destination exists and `replacing` is false
/// (also when a file appears there while writing); ExportError::video with a library description
/// when the file can't be created, "the size W × H isn't supported", "the frame rate N isn't
/// supported" (fps outside 1 … 2³¹ − 1), "the writer didn't start", "out of memory", "a frame
/// couldn't be added", "the file wasn't finished"; ExportError::render when `frame` returns nothing
/// or an empty picture; Cancelled when `stop` is requested (checked before every frame and while
/// waiting for the encoder); whatever `frame` throws, unchanged; std::filesystem::filesystem_error
/// when the finished file can't be moved into place.
void write(const std::filesystem::path& destination, PixelSize size, std::int64_t fps, std::int64_t count,
           VideoCodec codec, bool replacing, const ProgressCallback& progress, const FrameSource& frame,
           std::stop_token stop = {});

}  // namespace vantorel::VideoWriter
