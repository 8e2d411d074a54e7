#pragma once
// Reading written media back with tools other than our writers, and making test pictures.
#include "base/image.h"
#include "scratch_folder.h"

#include <nlohmann/json.hpp>
#include <sys/resource.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vantorel::test {

std::string readText(const std::filesystem::path& path);

/// While it lives, no file of this process grows past `bytes`: writes fail with EFBIG, as on a full disk.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  rlimit saved{};
};

/// A picture filled with one premultiplied colour.
Image filled(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255);

/// A turntable-like opaque frame: a soft vertical gradient backdrop with a lit disc of radius `radius`
/// travelling on a circle around the centre (frame `index` of `count`), centred at `discCentre`.
Image turntableFrame(int width, int height, int index, int count, int radius);
std::pair<double, double> discCentre(int width, int height, int index, int count);

/// Runs a shell command; returns its standard output. Fails the test when it exits non-zero.
std::string run(const std::string& command);
/// ffprobe's JSON for streams and format (with frames counted).
nlohmann::json probe(const std::filesystem::path& file);
/// The luma plane of the first decoded frame (decoded by ffmpeg, no conversion).
std::vector<std::uint8_t> firstLuma(const std::filesystem::path& file, int width, int height);

struct PNGInfo {
  int width = 0, height = 0, bitDepth = 0;
  bool alpha = false;  ///< colour type RGBA
  bool sRGB = false;   ///< an sRGB chunk is present
  std::vector<std::uint8_t> pixels;  ///< RGB or RGBA as stored (straight alpha)
};
PNGInfo readPNG(const std::filesystem::path& file);

struct GIFFrameInfo {
  int width, height;
  int delay;  ///< hundredths
  int disposal;
};
struct GIFInfo {
  int width = 0, height = 0;
  std::vector<GIFFrameInfo> frames;
  std::vector<std::vector<std::uint8_t>> canvases;  ///< RGB after each frame, composed as a viewer does
};
GIFInfo readGIF(const std::filesystem::path& file);

/// Peak signal-to-noise ratio in dB of RGB `decoded` (3 bytes per pixel) against `source` (RGBA).
double psnr(const Image& source, const std::vector<std::uint8_t>& decoded);

}  // namespace vantorel::test
