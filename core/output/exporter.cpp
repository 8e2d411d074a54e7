#include "output/exporter.h"

#include "output/cancelled.h"
#include "output/export_error.h"
#include "output/gif_writer.h"
#include "output/png_writer.h"
#include "output/shot_angle.h"
#include "output/video_writer.h"
#include "studio/compositor.h"

#include <numbers>

namespace vantorel::Exporter {
namespace {

// Puts the studio's look back when it leaves scope, whatever way that is.
class LookGuard {
public:
  LookGuard(Studio& studio, const Look& temporary) : studio_(studio), saved_(studio.look()) {
    if (temporary != saved_) {
      studio_.update(temporary);
      changed_ = true;
    }
  }
  ~LookGuard() {
    if (changed_) studio_.update(saved_);
  }
  LookGuard(const LookGuard&) = delete;
  LookGuard& operator=(const LookGuard&) = delete;

private:
  Studio& studio_;
  Look saved_;
  bool changed_ = false;
};

float radians(float degrees) { return degrees * std::numbers::pi_v<float> / 180.0f; }

Image renderOrThrow(Studio& studio, PixelSize size, float turn, std::optional<float> elevation, FramingMode mode) {
  auto image = studio.render(int(size.width), int(size.height), turn, elevation, mode, true);
  if (!image) throw ExportError::render();
  return std::move(*image);
}

// Progress of part `index` of `count` within a larger whole.
ProgressCallback scaled(const ProgressCallback& progress, int index, int count) {
  if (!progress) return {};
  return [progress, index, count](double p) { progress((double(index) + p) / double(std::max(count, 1))); };
}

}  // namespace

void video(Studio& studio, const VideoSpec& spec, const std::filesystem::path& destination, bool replacing,
           const ProgressCallback& progress, std::stop_token stop) {
  LookGuard opaque(studio, Compositor::opaqueLook(studio.look()));
  const PixelSize size = spec.size();
  VideoWriter::write(destination, size, spec.fps, spec.frameCount(), spec.codec, replacing, progress,
                     [&](std::int64_t i) -> std::optional<Image> {
                       return renderOrThrow(studio, size, spec.angle(i), std::nullopt, FramingMode::turntable);
                     },
                     stop);
}

void gif(Studio& studio, const GIFSpec& spec, const std::filesystem::path& destination, bool replacing,
         const ProgressCallback& progress, std::stop_token stop) {
  LookGuard opaque(studio, Compositor::opaqueLook(studio.look()));
  const PixelSize size = spec.size();
  const std::int64_t count = spec.frameCount();
  const auto frame = [&](std::int64_t i) {
    return renderOrThrow(studio, size, Turntable::angle(i, count, false), std::nullopt, FramingMode::turntable);
  };
  // One palette serves the whole animation; a few turns spread over it show every side's colours.
  std::vector<Image> sample;
  for (const std::int64_t k : GIFWriter::paletteSampleFrames(count)) {
    if (stop.stop_requested()) throw Cancelled();
    sample.push_back(frame(k));
  }
  GIFWriter::write(destination, size, spec.fps, count, replacing, progress,
                   [&](std::int64_t i) -> std::optional<Image> { return frame(i); }, stop, sample);
}

std::optional<Image> hero(Studio& studio, PixelSize size) {
  Look withShadow = studio.look();
  withShadow.shadow = true;
  LookGuard shadow(studio, withShadow);
  return studio.render(int(size.width), int(size.height), 0, heroElevation(withShadow.camera), FramingMode::tight, true);
}

std::vector<std::filesystem::path> stills(Studio& studio, const StillSpec& spec, const std::filesystem::path& folder,
                                          std::string_view baseName, const ProgressCallback& progress,
                                          std::stop_token stop) {
  const std::size_t shots = spec.includeSet ? ShotAngle::set().size() : 0;
  const std::size_t total = shots + (spec.includeHero ? 1 : 0);
  const double divisor = double(std::max<std::size_t>(total, 1));
  const PixelSize size = spec.size();
  std::vector<std::filesystem::path> written;
  for (std::size_t i = 0; i < shots; ++i) {
    if (stop.stop_requested()) throw Cancelled();
    const ShotAngle& shot = ShotAngle::set()[i];
    const Image image = renderOrThrow(studio, size, radians(shot.turn), shot.elevation, FramingMode::turntable);
    const auto path = fittedName(folder, baseName, " " + shot.id + ".png");
    PNGWriter::write(image, path, false);
    written.push_back(path);
    if (progress) progress(double(i + 1) / divisor);
  }
  if (spec.includeHero) {
    auto image = hero(studio, size);
    if (!image) throw ExportError::render();
    const auto path = fittedName(folder, baseName, " hero.png");
    PNGWriter::write(*image, path, false);
    written.push_back(path);
    if (progress) progress(1.0);
  }
  return written;
}

std::vector<std::filesystem::path> run(const ExportJob& job, Studio& studio, const std::filesystem::path& folder,
                                       std::string_view baseName, const ProgressCallback& progress,
                                       std::stop_token stop) {
  const int steps = job.parts();
  int part = 0;
  std::vector<std::filesystem::path> written;
  if (job.video) {
    const auto path = fittedName(folder, baseName, ".mp4");
    video(studio, *job.video, path, false, scaled(progress, part++, steps), stop);
    written.push_back(path);
  }
  if (job.gif) {
    const auto path = fittedName(folder, baseName, ".gif");
    gif(studio, *job.gif, path, false, scaled(progress, part++, steps), stop);
    written.push_back(path);
  }
  if (job.stills) {
    auto shots = stills(studio, *job.stills, folder, baseName, scaled(progress, part++, steps), stop);
    written.insert(written.end(), shots.begin(), shots.end());
  }
  return written;
}

}  // namespace vantorel::Exporter
