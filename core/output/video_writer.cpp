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
  if (count > 0) {
    FramePipeline pipeline(kFrameQueueDepth, [&](Image&& image) { encoder.encode(std::move(image)); }, stop);
    for (std::int64_t i = 0; i < count; ++i) {
      if (stop.stop_requested()) throw Cancelled();
      std::optional<Image> image = frame(i);
      if (!image || !isDrawable(*image)) throw ExportError::render();
      pipeline.push(std::move(*image));
      if (progress) progress(double(i + 1) / double(count));
    }
    pipeline.finish();
  }
  encoder.finish(stop);
  try {
    file->finish();
  } catch (const std::system_error& error) {
    throw ExportError::video(error.code().message());
  }
  file->commit();
}

}  // namespace vantorel
