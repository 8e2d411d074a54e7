#include "media_check.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

// libx265 itself leaks a few small blocks per encoder (inside FrameFilter::init), which the
// leak checker of the sanitizer build would report; everything of ours is freed.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() { return "leak:libx265.so\n"; }

namespace vantorel::test {
namespace fs = std::filesystem;

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  std::signal(SIGXFSZ, SIG_IGN);  // an error from write(), not a killed process
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit limit{std::min(bytes, saved.rlim_max), saved.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limit);
}
FileSizeLimit::~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Image filled(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
  Image image(width, height, a == 255);
  for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
    image.pixels[i] = r, image.pixels[i + 1] = g, image.pixels[i + 2] = b, image.pixels[i + 3] = a;
  }
  return image;
}

std::pair<double, double> discCentre(int width, int height, int index, int count) {
  const double turn = 6.283185307179586 * index / std::max(count, 1);
  return {width * (0.5 + 0.22 * std::cos(turn)), height * (0.42 + 0.12 * std::sin(turn))};
}

Image turntableFrame(int width, int height, int index, int count, int radius) {
  Image image(width, height, true);
  const auto [cx, cy] = discCentre(width, height, index, count);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // A soft studio sweep behind a disc lit from above and antialiased at its edge.
      const double t = double(y) / height, light = 0.6 + 0.4 * (cy - y) / radius;
      const double cover = std::clamp(radius + 0.5 - std::hypot(x + 0.5 - cx, y + 0.5 - cy), 0.0, 1.0);
      const double backdrop[] = {236 - 40 * t, 238 - 36 * t, 242 - 30 * t};
      const double disc[] = {40 + 180 * light, 110 * light, 70 + 60 * light};
      for (int c = 0; c < 3; ++c) {
        image.row(y)[x * 4 + c] = std::uint8_t(std::clamp(backdrop[c] + (disc[c] - backdrop[c]) * cover, 0.0, 255.0));
      }
      image.row(y)[x * 4 + 3] = 255;
    }
  }
  return image;
}

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "can't run " << command;
    return out;
  }
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int status = pclose(pipe);
  EXPECT_EQ(status, 0) << command;
  return out;
}

static std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

nlohmann::json probe(const fs::path& file) {
  return nlohmann::json::parse(run(std::string(VANTOREL_FFPROBE) +
                                   " -v error -count_frames -show_streams -show_format -print_format json " +
                                   quoted(file)));
}

std::vector<std::uint8_t> firstLuma(const fs::path& file, int width, int height) {
  const std::string raw = run(std::string(VANTOREL_FFMPEG) + " -v error -i " + quoted(file) +
                              " -frames:v 1 -f rawvideo -pix_fmt yuv420p -");
  EXPECT_GE(raw.size(), std::size_t(width) * std::size_t(height));
  return {raw.begin(), raw.begin() + std::min(raw.size(), std::size_t(width) * std::size_t(height))};
}

PNGInfo readPNG(const fs::path& file) {
  PNGInfo info;
  const std::string bytes = readText(file);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (bytes.size() < 33 || !png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    ADD_FAILURE() << "libpng can't read " << file;
    return info;
  }
  // Bit depth and colour type from IHDR; an sRGB chunk must come before the image data.
  info.width = int(image.width), info.height = int(image.height), info.bitDepth = bytes[24];
  info.alpha = bytes[25] == 6;
  info.sRGB = bytes.find("sRGB") < bytes.find("IDAT");
  image.format = info.alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  info.pixels.resize(PNG_IMAGE_SIZE(image));
  EXPECT_TRUE(png_image_finish_read(&image, nullptr, info.pixels.data(), 0, nullptr)) << file;
  return info;
}

GIFInfo readGIF(const fs::path& file) {
  GIFInfo info;
  int error = 0;
  GifFileType* gif = DGifOpenFileName(file.c_str(), &error);
  if (!gif || DGifSlurp(gif) != GIF_OK) {
    ADD_FAILURE() << "giflib can't read " << file;
    if (gif) DGifCloseFile(gif, &error);
    return info;
  }
  info.width = gif->SWidth, info.height = gif->SHeight;
  std::vector<std::uint8_t> canvas(std::size_t(info.width) * std::size_t(info.height) * 3, 0);
  for (int f = 0; f < gif->ImageCount; ++f) {
    const SavedImage& image = gif->SavedImages[f];
    GraphicsControlBlock control{};
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, f, &control);
    const GifImageDesc& d = image.ImageDesc;
    info.frames.push_back({d.Width, d.Height, control.DelayTime, control.DisposalMode});
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    for (int y = 0; y < d.Height; ++y) {
      for (int x = 0; x < d.Width; ++x) {
        const int index = image.RasterBits[y * d.Width + x];
        if (index == control.TransparentColor) continue;
        const int cx = d.Left + x, cy = d.Top + y;
        if (cx >= info.width || cy >= info.height || !map || index >= map->ColorCount) continue;
        std::uint8_t* px = canvas.data() + (std::size_t(cy) * std::size_t(info.width) + std::size_t(cx)) * 3;
        px[0] = map->Colors[index].Red, px[1] = map->Colors[index].Green, px[2] = map->Colors[index].Blue;
      }
    }
    info.canvases.push_back(canvas);
  }
  DGifCloseFile(gif, &error);
  return info;
}

double psnr(const Image& source, const std::vector<std::uint8_t>& decoded) {
  double sum = 0;
  const std::size_t count = std::size_t(source.width) * std::size_t(source.height);
  for (std::size_t i = 0; i < count; ++i) {
    for (int c = 0; c < 3; ++c) {
      const double d = double(source.pixels[i * 4 + std::size_t(c)]) - double(decoded[i * 3 + std::size_t(c)]);
      sum += d * d;
    }
  }
  const double mse = sum / double(count * 3);
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace vantorel::test
