#pragma once
// The turntable GIF: frames from a callback into a looping animated GIF.
#include "output/pixel_size.h"
#include "output/writer_callbacks.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <stop_token>
#include <vector>

namespace vantorel::GIFWriter {

/// The delay of frame `index` in hundredths of a second at `fps` (1 … 100): the hundredths are
/// spread so that the first n frames always last round(100 n ÷ fps) in total (20 fps: 5 each;
/// 30 fps: 3, 4, 3, 3, 4, 3 …).
int delay(std::int64_t index, std::int64_t fps);

/// Which frames an exporter should draw beforehand as the palette sample of a `count`-frame
/// animation: up to `samples` frame numbers spread evenly over the whole turn, starting with 0,
/// ascending and distinct (none for count ≤ 0).
std::vector<std::int64_t> paletteSampleFrames(std::int64_t count, int samples = 8);

/// Writes `count` frames (frame(0) … frame(count − 1), each once, in order, on the calling thread)
/// to `destination` as an animated GIF of `size` that loops for ever, frame i delayed by
/// delay(i, fps). Frames are drawn on white and scaled to `size` when theirs differs.
///
/// Colours: one palette of up to 255 colours for the whole animation, made from `paletteSample`
/// (pictures of the animation drawn beforehand, e.g. a few evenly spread turns; when empty, the
/// first frame alone). After the first frame only pixels that changed are re-quantised and stored
/// (the rest are transparent in a frame's rectangle), so still backdrops never shimmer and the file
/// stays small. Encoding runs on a second thread while the next frame is drawn; memory stays flat.
///
/// The file appears complete or not at all (see VideoWriter::write for the rules).
/// Throws ExportError::exists (file name) when the destination exists and `replacing` is false;
/// ExportError::image with the system's description (e.g. "No space left on device") when the file
/// can't be started or written, "the GIF file couldn't be created" when the encoder can't start,
/// "the size W × H isn't supported" (sides 1 … 65535), "the frame rate N isn't supported" (fps
/// outside 1 … 100: GIF counts time in hundredths), "the GIF couldn't be finished" when encoding
/// fails; ExportError::render when `frame` returns nothing or an empty picture; Cancelled when
/// `stop` is requested (checked before every frame); whatever `frame` throws, unchanged;
/// std::filesystem::filesystem_error when the finished file can't be moved into place.
void write(const std::filesystem::path& destination, PixelSize size, std::int64_t fps, std::int64_t count,
           bool replacing, const ProgressCallback& progress, const FrameSource& frame, std::stop_token stop = {},
           std::span<const Image> paletteSample = {});

}  // namespace vantorel::GIFWriter
