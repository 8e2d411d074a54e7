#include "media_check.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

// libx265 itself leaks a few small blocks per encoder (inside FrameFilter::init), which the
// leak checker of the sanitizer build would report; everything of ours is freed.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() { return "leak:libx265.so\n"; }

namespace vantorel::test {
namespace fs = std::filesystem;

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

void discCentre(int width, int height, int index, int count, double& x, double& y) {
  const double turn = 6.283185307179586 * index / std::max(count, 1);
  x = width * (0.5 + 0.22 * std::cos(turn));
  y = height * (0.42 + 0.12 * std::sin(turn));
}

Image turntableFrame(int width, int height, int index, int count, int radius) {
  Image image(width, height, true);
  double cx = 0, cy = 0;
  discCentre(width, height, index, count, cx, cy);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = image.row(y);
    const double t = double(y) / height;
    for (int x = 0; x < width; ++x) {
      double r = 236 - 40 * t, g = 238 - 36 * t, b = 242 - 30 * t;  // soft studio sweep
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy, d = std::sqrt(dx * dx + dy * dy);
      if (d < radius + 1) {
        // A lit sphere-ish disc, antialiased at its edge.
        const double nz = std::sqrt(std::max(0.0, 1 - (d / radius) * (d / radius)));
        const double light = 0.25 + 0.75 * std::max(0.0, (-dx / radius) * 0.4 + (-dy / radius) * 0.5 + nz * 0.77);
        const double cover = std::clamp(radius + 0.5 - d, 0.0, 1.0);
        r = r * (1 - cover) + (40 + 180 * light) * cover;
        g = g * (1 - cover) + (110 * light) * cover;
        b = b * (1 - cover) + (70 + 60 * light) * cover;
      }
      row[x * 4] = std::uint8_t(std::clamp(r, 0.0, 255.0));
      row[x * 4 + 1] = std::uint8_t(std::clamp(g, 0.0, 255.0));
      row[x * 4 + 2] = std::uint8_t(std::clamp(b, 0.0, 255.0));
      row[x * 4 + 3] = 255;
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

std::vector<Packet> probePackets(const fs::path& file) {
  const auto json = nlohmann::json::parse(
      run(std::string(VANTOREL_FFPROBE) +
          " -v error -select_streams v:0 -show_entries packet=pts_time,flags -print_format json " + quoted(file)));
  std::vector<Packet> packets;
  for (const auto& p : json["packets"]) {
    packets.push_back({std::stod(p["pts_time"].get<std::string>()), p["flags"].get<std::string>().find('K') != std::string::npos});
  }
  std::sort(packets.begin(), packets.end(), [](const Packet& a, const Packet& b) { return a.time < b.time; });
  return packets;
}

std::vector<std::uint8_t> firstLuma(const fs::path& file, int width, int height) {
  const std::string raw = run(std::string(VANTOREL_FFMPEG) + " -v error -i " + quoted(file) +
                              " -frames:v 1 -f rawvideo -pix_fmt yuv420p -");
  EXPECT_GE(raw.size(), std::size_t(width) * std::size_t(height));
  return {raw.begin(), raw.begin() + std::min(raw.size(), std::size_t(width) * std::size_t(height))};
}

std::vector<std::string> topLevelBoxes(const fs::path& file) {
  const std::string bytes = readText(file);
  std::vector<std::string> names;
  std::size_t at = 0;
  while (at + 8 <= bytes.size()) {
    std::uint64_t size = 0;
    for (int i = 0; i < 4; ++i) size = size << 8 | std::uint8_t(bytes[at + std::size_t(i)]);
    names.push_back(bytes.substr(at + 4, 4));
    if (size == 1 && at + 16 <= bytes.size()) {
      size = 0;
      for (int i = 8; i < 16; ++i) size = size << 8 | std::uint8_t(bytes[at + std::size_t(i)]);
    }
    if (size < 8) break;
    at += size;
  }
  return names;
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
  if (!gif) {
    ADD_FAILURE() << "giflib can't open " << file;
    return info;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    ADD_FAILURE() << "giflib can't read " << file << ": " << GifErrorString(gif->Error);
    DGifCloseFile(gif, &error);
    return info;
  }
  info.width = gif->SWidth, info.height = gif->SHeight;
  std::vector<std::uint8_t> canvas(std::size_t(info.width) * std::size_t(info.height) * 3, 0);
  const auto findLoop = [&](const ExtensionBlock* blocks, int count) {
    for (int i = 0; i + 1 < count; ++i) {
      if (blocks[i].Function == APPLICATION_EXT_FUNC_CODE && blocks[i].ByteCount == 11 &&
          std::equal(blocks[i].Bytes, blocks[i].Bytes + 11, "NETSCAPE2.0") && blocks[i + 1].ByteCount == 3 &&
          blocks[i + 1].Bytes[0] == 1) {
        info.loopCount = blocks[i + 1].Bytes[1] | blocks[i + 1].Bytes[2] << 8;
      }
    }
  };
  findLoop(gif->ExtensionBlocks, gif->ExtensionBlockCount);
  for (int f = 0; f < gif->ImageCount; ++f) {
    const SavedImage& image = gif->SavedImages[f];
    findLoop(image.ExtensionBlocks, image.ExtensionBlockCount);
    GraphicsControlBlock control{};
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, f, &control);
    const GifImageDesc& d = image.ImageDesc;
    info.frames.push_back({d.Left, d.Top, d.Width, d.Height, control.DelayTime, control.DisposalMode, control.TransparentColor});
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
