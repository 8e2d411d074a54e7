#include "output/video_writer.h"

#include "output/cancelled.h"
#include "output/export_error.h"
#include "output/frame_checks.h"
#include "output/frame_pipeline.h"
#include "output/safe_file.h"
#include "output/video_encoder.h"

#include <climits>
#include <optional>
#include <string>
#include <system_error>

namespace vantorel {

void VideoWriter::write(const std::filesystem::path& destination, PixelSize size, std::int64_t fps,
                        std::int64_t count, VideoCodec codec, bool replacing, const ProgressCallback& progress,
                        const FrameSource& frame, std::stop_token stop) {
  std::optional<SafeFile> file;
  try {
    file.emplace(destination, replacing);
  } catch (const std::system_error& error) {
    throw ExportError::video(error.code().message());
  }
  if (fps < 1 || fps > INT_MAX) throw ExportError::video("the frame rate " + std::to_string(fps) + " isn't supported");
  if (!videoSizeSupported(size)) throw ExportError::video("the size " + size.label() + " isn't supported");

  VideoEncoder encoder(file->temporaryPath(), size, int(fps), codec);
  drawThrough(count, frame, progress, [&](Image&& image) { encoder.encode(std::move(image)); }, stop);
  encoder.finish(stop);
  try {
    file->finish();
  } catch (const std::system_error& error) {
    throw ExportError::video(error.code().message());
  }
  file->commit();
}

}  // namespace vantorel
