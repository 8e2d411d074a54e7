// Media writers, encode only: the default listing video (1080 × 1080, 10 s, 30 fps, H.264, and the
// same in HEVC), the default 600 × 600 200-frame GIF (with its size and PSNR against the source
// frames) and the seven 1080 × 1080 product shots, all from synthetic frames held in memory, plus
// the memory the video writer holds over the video's length.
//
// The frames: a twisted, striped vase-like body turning on a soft studio sweep with a soft shadow.
// Ten stripes repeat every 36°, so 30 held frames at 1.2° a step (the video's speed) and 20 at
// 1.8° (the GIF's) stand for the whole turn exactly, without keeping 300 frames in memory.
#include "bench_support.h"

#include "output/gif_writer.h"
#include "output/png_writer.h"
#include "output/video_writer.h"

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

using namespace vantorel;
using namespace vantorel::bench;

namespace {

constexpr double kPi = 3.14159265358979323846;

Image vaseFrame(int size, double turn) {
  Image image(size, size, true);
  const double cx = size * 0.5, top = size * 0.18, bottom = size * 0.80;
  for (int y = 0; y < size; ++y) {
    std::uint8_t* row = image.row(y);
    const double v = double(y) / size;
    for (int x = 0; x < size; ++x) {
      const double u = double(x) / size;
      // Studio sweep: light at the top, a touch darker and warmer lower down, soft vignette.
      const double vignette = 1.0 - 0.12 * ((u - 0.5) * (u - 0.5) + (v - 0.45) * (v - 0.45));
      double r = (238 - 34 * v) * vignette, g = (239 - 32 * v) * vignette, b = (243 - 26 * v) * vignette;
      // Soft contact shadow under the body.
      const double sx = (x - cx) / (size * 0.26), sy = (y - bottom) / (size * 0.035);
      const double shadow = 0.45 * std::exp(-(sx * sx + sy * sy));
      r *= 1 - shadow, g *= 1 - shadow, b *= 1 - shadow;
      if (y >= top && y <= bottom) {
        const double t = (y - top) / (bottom - top);
        const double halfWidth = size * (0.12 + 0.07 * std::sin(kPi * t) + 0.03 * std::cos(3 * kPi * t));
        const double d = std::abs(x + 0.5 - cx);
        const double cover = std::clamp(halfWidth - d + 0.5, 0.0, 1.0);
        if (cover > 0) {
          const double s = std::clamp((x + 0.5 - cx) / halfWidth, -1.0, 1.0);
          const double around = std::asin(s);
          const double nx = s, nz = std::sqrt(std::max(0.0, 1 - s * s));
          const double light = std::max(0.0, -0.45 * nx + 0.25 + 0.85 * nz);
          const double stripe = 0.5 + 0.5 * std::cos(10 * (around + turn) + 6 * t);
          const double albedo = 0.55 + 0.45 * stripe;
          const double specular = std::pow(std::max(0.0, -0.3 * nx + 0.95 * nz), 40) * 90;
          const double br = (60 + 170 * albedo) * (0.2 + 0.8 * light) + specular;
          const double bg = (40 + 90 * albedo) * (0.2 + 0.8 * light) + specular;
          const double bb = (30 + 40 * albedo) * (0.2 + 0.8 * light) + specular;
          r = r * (1 - cover) + br * cover, g = g * (1 - cover) + bg * cover, b = b * (1 - cover) + bb * cover;
        }
      }
      row[x * 4] = std::uint8_t(std::clamp(r, 0.0, 255.0));
      row[x * 4 + 1] = std::uint8_t(std::clamp(g, 0.0, 255.0));
      row[x * 4 + 2] = std::uint8_t(std::clamp(b, 0.0, 255.0));
      row[x * 4 + 3] = 255;
    }
  }
  return image;
}

std::vector<Image> heldFrames(int size, int count, double step) {
  std::vector<Image> frames;
  for (int i = 0; i < count; ++i) frames.push_back(vaseFrame(size, i * step));
  return frames;
}

double fileMiB(const std::filesystem::path& path) { return double(std::filesystem::file_size(path)) / (1024.0 * 1024.0); }

// Decodes the GIF with giflib as a viewer composes it and returns the PSNR over all frames
// (from the summed squared error) and the lowest frame's.
void gifPSNR(const std::filesystem::path& path, const std::vector<Image>& held, double& overall, double& worst) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif || DGifSlurp(gif) != GIF_OK) {
    overall = worst = 0;
    return;
  }
  std::vector<std::uint8_t> canvas(std::size_t(gif->SWidth) * std::size_t(gif->SHeight) * 3, 0);
  double total = 0;
  worst = 1e9;
  for (int f = 0; f < gif->ImageCount; ++f) {
    const SavedImage& image = gif->SavedImages[f];
    GraphicsControlBlock control{};
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, f, &control);
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    for (int y = 0; y < image.ImageDesc.Height; ++y) {
      for (int x = 0; x < image.ImageDesc.Width; ++x) {
        const int index = image.RasterBits[y * image.ImageDesc.Width + x];
        if (index == control.TransparentColor) continue;
        std::uint8_t* px = canvas.data() + (std::size_t(image.ImageDesc.Top + y) * std::size_t(gif->SWidth) +
                                            std::size_t(image.ImageDesc.Left + x)) * 3;
        px[0] = map->Colors[index].Red, px[1] = map->Colors[index].Green, px[2] = map->Colors[index].Blue;
      }
    }
    const Image& source = held[std::size_t(f) % held.size()];
    double sum = 0;
    for (std::size_t i = 0; i < canvas.size() / 3; ++i) {
      for (std::size_t c = 0; c < 3; ++c) {
        const double d = double(source.pixels[i * 4 + c]) - double(canvas[i * 3 + c]);
        sum += d * d;
      }
    }
    const double mse = sum / double(canvas.size());
    total += mse;
    worst = std::min(worst, 10 * std::log10(255.0 * 255.0 / mse));
  }
  overall = 10 * std::log10(255.0 * 255.0 / (total / gif->ImageCount));
  DGifCloseFile(gif, &error);
}

}  // namespace

int main() {
  ScratchFolder scratch;
  std::printf("Media writers, encode only (synthetic frames held in memory; %ld cores)\n", ::sysconf(_SC_NPROCESSORS_ONLN));

  {
    const std::vector<Image> held = heldFrames(1080, 30, 1.2 * kPi / 180);
    const FrameSource frame = [&](std::int64_t i) -> std::optional<Image> { return held[std::size_t(i) % held.size()]; };
    for (const VideoCodec codec : {VideoCodec::h264, VideoCodec::hevc}) {
      const auto path = scratch.path / (codec == VideoCodec::h264 ? "listing.mp4" : "listing-hevc.mp4");
      const Timing t = time(codec == VideoCodec::h264 ? 2 : 1, [&] {
        VideoWriter::write(path, {1080, 1080}, 30, 300, codec, true, {}, frame);
      });
      std::printf("  video 1080 x 1080, 300 frames, %s: %.2f s (%.1f frames/s), %.2f MiB\n",
                  codec == VideoCodec::h264 ? "H.264" : "HEVC ", t.minMs / 1000.0,
                  300 / (t.minMs / 1000.0), fileMiB(path));
    }
    // Memory held by the writer over the video's length: it must not grow with the frame count.
    const double before = currentRssMiB();
    resetPeakMemory();
    std::vector<double> rss;
    VideoWriter::write(scratch.path / "memory.mp4", {1080, 1080}, 30, 300, VideoCodec::h264, true,
                       [&](double p) {
                         const int done = int(std::lround(p * 300));
                         if (done == 30 || done == 150 || done == 300) rss.push_back(currentRssMiB() - before);
                       },
                       frame);
    std::printf("  video memory above the held frames: peak %.0f MiB; after 30 / 150 / 300 frames %.0f / %.0f / %.0f MiB\n",
                peakMemoryMiB() - before, rss.size() > 0 ? rss[0] : 0.0, rss.size() > 1 ? rss[1] : 0.0,
                rss.size() > 2 ? rss[2] : 0.0);
  }

  {
    const std::vector<Image> held = heldFrames(600, 20, 1.8 * kPi / 180);
    const FrameSource frame = [&](std::int64_t i) -> std::optional<Image> { return held[std::size_t(i) % held.size()]; };
    // The exporter's palette sample: a few turns drawn beforehand (here 4 of the held frames).
    const std::vector<Image> sample = {held[0], held[5], held[10], held[15]};
    const auto path = scratch.path / "listing.gif";
    const Timing t = time(2, [&] { GIFWriter::write(path, {600, 600}, 20, 200, true, {}, frame, {}, sample); });
    double overall = 0, worst = 0;
    gifPSNR(path, held, overall, worst);
    std::printf("  GIF 600 x 600, 200 frames at 20 fps: %s, %.2f MiB, PSNR %.1f dB overall (worst frame %.1f dB)\n",
                formatMs(t.minMs).c_str(), fileMiB(path), overall, worst);
  }

  {
    std::vector<Image> shots;
    for (double degrees : {0.0, 35.0, -55.0, 215.0, 70.0, 0.0, 10.0}) shots.push_back(vaseFrame(1080, degrees * kPi / 180));
    shots[6].opaque = false;  // the hero as a transparent-look still: RGBA
    const Timing t = time(2, [&] {
      for (std::size_t i = 0; i < shots.size(); ++i) {
        PNGWriter::write(shots[i], scratch.path / ("shot " + std::to_string(i) + ".png"), true);
      }
    });
    double total = 0;
    for (std::size_t i = 0; i < shots.size(); ++i) total += fileMiB(scratch.path / ("shot " + std::to_string(i) + ".png"));
    std::printf("  7 stills 1080 x 1080 PNG: %s (%.2f MiB in all)\n", formatMs(t.minMs).c_str(), total);
  }
  return 0;
}
