#include "output/gif_writer.h"

#include "output/cancelled.h"
#include "output/export_error.h"
#include "output/frame_checks.h"
#include "output/frame_pipeline.h"
#include "output/gif_palette.h"
#include "output/safe_file.h"

#include <gif_lib.h>

#include <algorithm>
#include <new>

#include <optional>
#include <string>
#include <system_error>

namespace vantorel {
namespace {

ExportError unfinished() { return ExportError::image("the GIF couldn't be finished"); }

// The system's own words when it said why (a full disk), else the fixed phrase.
ExportError unfinished(std::error_code cause) {
  return cause ? ExportError::image(cause.message()) : unfinished();
}

// giflib writes through this; it must not see an exception, so a failure is remembered and
// reported as a short write, which makes giflib fail the call.
struct Sink {
  SafeFile* file;
  bool failed = false;
  std::error_code cause;
};
int writeBytes(GifFileType* gif, const GifByteType* bytes, int length) {
  auto* sink = static_cast<Sink*>(gif->UserData);
  try {
    sink->file->write({bytes, std::size_t(length)});
    return length;
  } catch (const std::system_error& error) {
    sink->cause = error.code();
  } catch (...) {  // anything else (out of memory) gets the fixed phrase
  }
  sink->failed = true;
  return 0;
}

class GIFEncoder {
public:
  GIFEncoder(SafeFile& file, PixelSize size, std::int64_t fps, std::span<const Image> sample)
      : sink_{&file, false, {}}, width_(int(size.width)), height_(int(size.height)), fps_(fps), sample_(sample) {
    int error = 0;
    gif_ = EGifOpen(&sink_, writeBytes, &error);
    if (!gif_) throw ExportError::image("the GIF file couldn't be created");
  }
  ~GIFEncoder() {
    if (gif_) EGifCloseFile(gif_, nullptr);
  }
  GIFEncoder(const GIFEncoder&) = delete;
  GIFEncoder& operator=(const GIFEncoder&) = delete;

  void encode(Image&& image) {
    drawOnWhite(image);
    Image frame = resized(std::move(image), width_, height_);
    if (!mapper_) start(&frame);
    const GIFPatch patch = mapper_->next(frame);
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;  // each frame draws over the last
    control.UserInputFlag = false;
    control.DelayTime = GIFWriter::delay(index_++, fps_);
    control.TransparentColor = mapper_->unchanged();
    GifByteType extension[4];
    const std::size_t length = EGifGCBToExtension(&control, extension);
    check(EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, int(length), extension));
    check(EGifPutImageDesc(gif_, patch.left, patch.top, patch.width, patch.height, false, nullptr));
    row_.resize(std::size_t(patch.width));
    for (int y = 0; y < patch.height; ++y) {
      // EGifPutLine masks the row in place, so it gets a copy.
      std::copy_n(patch.indices.begin() + std::ptrdiff_t(y) * patch.width, patch.width, row_.begin());
      check(EGifPutLine(gif_, row_.data(), patch.width));
    }
  }

  void finish() {
    if (!mapper_) start(nullptr);
    GifFileType* gif = gif_;
    gif_ = nullptr;
    int error = 0;
    if (EGifCloseFile(gif, &error) == GIF_ERROR || sink_.failed) throw unfinished(sink_.cause);
  }

private:
  // The palette needs pictures, so the header waits for the first frame (or the end, for none).
  void start(const Image* first) {
    std::vector<const Image*> pictures;
    std::vector<Image> prepared;
    prepared.reserve(sample_.size());
    for (const Image& picture : sample_) {
      if (!isDrawable(picture)) continue;
      Image copy = picture;
      drawOnWhite(copy);
      prepared.push_back(resized(std::move(copy), width_, height_));
    }
    for (const Image& picture : prepared) pictures.push_back(&picture);
    if (pictures.empty() && first) pictures.push_back(first);
    std::vector<GIFColor> palette = pictures.empty() ? std::vector<GIFColor>{{0, 0, 0}} : gifPalette(pictures);

    int bits = 1;
    while ((1u << bits) < palette.size() + 1) ++bits;  // room for the "unchanged" index
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    if (!map) throw std::bad_alloc();
    for (std::size_t i = 0; i < palette.size(); ++i) map->Colors[i] = {palette[i][0], palette[i][1], palette[i][2]};
    EGifSetGifVersion(gif_, true);
    const int described = EGifPutScreenDesc(gif_, width_, height_, 8, 0, map);
    GifFreeMapObject(map);
    check(described);
    // NETSCAPE2.0 application extension: loop count 0, for ever.
    static const GifByteType kNetscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType kLoopForever[] = {1, 0, 0};
    check(EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE));
    check(EGifPutExtensionBlock(gif_, sizeof kNetscape, kNetscape));
    check(EGifPutExtensionBlock(gif_, sizeof kLoopForever, kLoopForever));
    check(EGifPutExtensionTrailer(gif_));
    mapper_.emplace(width_, height_, std::move(palette));
  }

  void check(int result) const {
    if (result == GIF_ERROR || sink_.failed) throw unfinished(sink_.cause);
  }

  Sink sink_;
  GifFileType* gif_ = nullptr;
  int width_, height_;
  std::int64_t fps_;
  std::span<const Image> sample_;
  std::optional<GIFFrameMapper> mapper_;
  std::int64_t index_ = 0;
  std::vector<GifPixelType> row_;
};

}  // namespace

int GIFWriter::delay(std::int64_t index, std::int64_t fps) {
  // round(100 k ÷ fps) with halves up, as a running total.
  const auto elapsed = [fps](std::int64_t k) { return (200 * k + fps) / (2 * fps); };
  return int(elapsed(index + 1) - elapsed(index));
}

std::vector<std::int64_t> GIFWriter::paletteSampleFrames(std::int64_t count, int samples) {
  std::vector<std::int64_t> frames;
  const std::int64_t n = std::min<std::int64_t>(count, samples);
  for (std::int64_t k = 0; k < n; ++k) frames.push_back(k * count / n);
  return frames;
}

void GIFWriter::write(const std::filesystem::path& destination, PixelSize size, std::int64_t fps, std::int64_t count,
                      bool replacing, const ProgressCallback& progress, const FrameSource& frame, std::stop_token stop,
                      std::span<const Image> paletteSample) {
  std::optional<SafeFile> file;
  try {
    file.emplace(destination, replacing);
  } catch (const std::system_error& error) {
    throw ExportError::image(error.code().message());
  }
  if (fps < 1 || fps > 100) throw ExportError::image("the frame rate " + std::to_string(fps) + " isn't supported");
  if (size.width < 1 || size.height < 1 || size.width > 65535 || size.height > 65535) {
    throw ExportError::image("the size " + size.label() + " isn't supported");
  }

  GIFEncoder encoder(*file, size, fps, paletteSample);
  drawThrough(count, frame, progress, [&](Image&& image) { encoder.encode(std::move(image)); }, stop);
  encoder.finish();
  try {
    file->finish();
  } catch (const std::system_error& error) {
    throw unfinished(error.code());
  }
  file->commit();
}

}  // namespace vantorel
