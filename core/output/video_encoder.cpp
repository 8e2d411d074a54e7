#include "output/video_encoder.h"

#include "output/frame_pipeline.h"

#include "output/cancelled.h"
#include "output/export_error.h"
#include "output/frame_checks.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <climits>
#include <mutex>
#include <string>
#include <thread>

namespace vantorel {
namespace {

// Presets, chosen for speed at the fixed average bit rate on 2 shared cores. Turntable frames are
// smooth and move slowly, so at 6 (H.264) or 4 (HEVC) bits per pixel and second the quality is
// bounded by the bit rate, not by the search effort. Encode-only times of the 300-frame
// 1080 × 1080 listing video, measured side by side on a busy shared machine (relative figures):
// x264 medium 15.8 s, faster 11.9 s, veryfast 6.8 s, superfast 4.5 s (veryfast on the quiet
// machine: 3.8 s). "veryfast" keeps the lookahead and macroblock tree (better use of the bits than
// superfast) and 8×8 transforms (High profile) at less than half medium's time. x265 is several
// times slower per frame, so it gets "superfast" (8 s quiet, 15–18 s busy; ultrafast gives up
// adaptive quantisation for little more speed).
constexpr const char* kX264Preset = "veryfast";
constexpr const char* kX265Preset = "superfast";

// Threads: a fixed layout rather than one counted from the machine's cores, because the bytes
// depend on it: a frame thread sees only the reference rows already finished, and both encoders
// write their settings, thread counts included, into the stream. The encoder runs on its own
// thread beside the renderer and uses what the renderer leaves idle; these are the counts the
// encoders chose for themselves on the 2-core machine the presets were timed on (x264: 1.5 × cores
// frame threads, one lookahead thread; x265: one frame thread over a pool of worker threads).
constexpr int kX264Threads = 3;
constexpr int kX265FrameThreads = 1;
constexpr int kX265PoolThreads = 2;

std::string describe(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

ExportError videoError(int error, const char* fallback) {
  return ExportError::video(error < 0 ? describe(error) : std::string(fallback));
}

void quietLibraries() {
  // Every failure becomes an ExportError; FFmpeg's own log lines would only reach a terminal.
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

}  // namespace

std::int64_t videoBitRate(PixelSize size, VideoCodec codec) {
  const std::int64_t rate = size.width * size.height * (codec == VideoCodec::hevc ? 4 : 6);
  return rate < 2'000'000 ? 2'000'000 : rate;
}

bool videoSizeSupported(PixelSize size) {
  constexpr std::int64_t kMaxSide = 8192, kMaxPixels = 139264 * 256;  // level 6.2 frame size
  return size.width > 0 && size.height > 0 && size.width % 2 == 0 && size.height % 2 == 0 &&
         size.width <= kMaxSide && size.height <= kMaxSide && size.width * size.height <= kMaxPixels;
}

struct VideoEncoder::State {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  int scalerWidth = 0, scalerHeight = 0;
  std::int64_t nextPts = 0;
  std::string sizeLabel;

  ~State() {
    sws_freeContext(scaler);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    if (format) {
      if (format->pb) avio_closep(&format->pb);
      avformat_free_context(format);
    }
  }

  void drain(std::stop_token stop = {}) {
    for (;;) {
      const int got = avcodec_receive_packet(codec, packet);
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
      if (got < 0) throw videoError(got, "a frame couldn't be added");
      if (stop.stop_requested()) throw Cancelled();
      if (packet->duration == 0) packet->duration = 1;  // one frame: the file lasts count ÷ fps
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      const int written = av_interleaved_write_frame(format, packet);
      if (written < 0) throw videoError(written, "a frame couldn't be added");
    }
  }
};

VideoEncoder::VideoEncoder(const std::filesystem::path& file, PixelSize size, int fps, VideoCodec codecChoice)
    : state_(std::make_unique<State>()) {
  quietLibraries();
  State& s = *state_;
  s.sizeLabel = size.label();
  const std::string path = file.string();
  int result = avformat_alloc_output_context2(&s.format, nullptr, "mp4", path.c_str());
  if (result < 0 || !s.format) throw videoError(result, "the writer couldn't be created");

  const bool hevc = codecChoice == VideoCodec::hevc;
  const AVCodec* codec = avcodec_find_encoder_by_name(hevc ? "libx265" : "libx264");
  if (!codec) throw videoError(AVERROR_ENCODER_NOT_FOUND, "");
  s.codec = avcodec_alloc_context3(codec);
  s.frame = av_frame_alloc();
  s.packet = av_packet_alloc();
  if (!s.codec || !s.frame || !s.packet) throw ExportError::video("out of memory");

  AVCodecContext& c = *s.codec;
  c.width = int(size.width);
  c.height = int(size.height);
  c.pix_fmt = AV_PIX_FMT_YUV420P;
  c.time_base = AVRational{1, fps};
  c.framerate = AVRational{fps, 1};
  c.bit_rate = videoBitRate(size, codecChoice);
  c.gop_size = int(std::min<std::int64_t>(std::int64_t(fps) * 2, INT_MAX));  // a key frame every two seconds
  c.color_primaries = AVCOL_PRI_BT709;
  c.color_trc = AVCOL_TRC_BT709;
  c.colorspace = AVCOL_SPC_BT709;
  c.color_range = AVCOL_RANGE_MPEG;
  c.thread_count = hevc ? 0 : kX264Threads;  // libx265 takes its threads from x265-params
  // No library version strings in the file, and the creation times stay at zero: the same frames
  // give the same bytes on every run.
  c.flags |= AV_CODEC_FLAG_BITEXACT;
  s.format->flags |= AVFMT_FLAG_BITEXACT;
  if (s.format->oformat->flags & AVFMT_GLOBALHEADER) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

  AVDictionary* options = nullptr;
  if (hevc) {
    av_dict_set(&options, "preset", kX265Preset, 0);
    // Scene cuts off: key frames fall exactly every two seconds. Quiet: x265 logs to stderr itself.
    const std::string params = "scenecut=0:log-level=none:frame-threads=" + std::to_string(kX265FrameThreads) +
                               ":pools=" + std::to_string(kX265PoolThreads);
    av_dict_set(&options, "x265-params", params.c_str(), 0);
  } else {
    av_dict_set(&options, "preset", kX264Preset, 0);
    av_dict_set(&options, "profile", "high", 0);
    av_dict_set(&options, "x264-params", "scenecut=0", 0);
  }
  // The encoder's own threads start here: from a thread at the encoders' priority, they inherit it.
  std::thread([&] {
    lowerThisThreadsPriority();
    result = avcodec_open2(&c, codec, &options);
  }).join();
  av_dict_free(&options);
  if (result < 0) throw ExportError::video("the size " + s.sizeLabel + " isn't supported");

  s.stream = avformat_new_stream(s.format, nullptr);
  if (!s.stream) throw ExportError::video("out of memory");
  result = avcodec_parameters_from_context(s.stream->codecpar, &c);
  if (result < 0) throw videoError(result, "the writer didn't start");
  if (hevc) s.stream->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1');  // what common players accept
  s.stream->time_base = c.time_base;
  s.stream->avg_frame_rate = c.framerate;

  s.frame->format = c.pix_fmt;
  s.frame->width = c.width;
  s.frame->height = c.height;
  result = av_frame_get_buffer(s.frame, 0);
  if (result < 0) throw ExportError::video("out of memory");

  result = avio_open(&s.format->pb, path.c_str(), AVIO_FLAG_WRITE);
  if (result < 0) throw videoError(result, "the writer didn't start");
  AVDictionary* muxing = nullptr;
  av_dict_set(&muxing, "movflags", "+faststart", 0);
  result = avformat_write_header(s.format, &muxing);
  av_dict_free(&muxing);
  if (result < 0) throw videoError(result, "the writer didn't start");
}

VideoEncoder::~VideoEncoder() = default;

void VideoEncoder::encode(Image&& image) {
  State& s = *state_;
  drawOnWhite(image);
  if (!s.scaler || s.scalerWidth != image.width || s.scalerHeight != image.height) {
    sws_freeContext(s.scaler);
    s.scaler = sws_getContext(image.width, image.height, AV_PIX_FMT_RGBA, s.codec->width, s.codec->height,
                              AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!s.scaler) throw ExportError::video("out of memory");
    s.scalerWidth = image.width;
    s.scalerHeight = image.height;
    // swscale's default matrix is BT.601; the stream is tagged BT.709, limited range.
    sws_setColorspaceDetails(s.scaler, sws_getCoefficients(SWS_CS_ITU709), 1, sws_getCoefficients(SWS_CS_ITU709), 0,
                             0, 1 << 16, 1 << 16);
  }
  if (av_frame_make_writable(s.frame) < 0) throw ExportError::video("out of memory");
  const std::uint8_t* source[4] = {image.pixels.data(), nullptr, nullptr, nullptr};
  const int sourceStride[4] = {int(image.stride()), 0, 0, 0};
  sws_scale(s.scaler, source, sourceStride, 0, image.height, s.frame->data, s.frame->linesize);
  s.frame->pts = s.nextPts++;
  const int sent = avcodec_send_frame(s.codec, s.frame);
  if (sent < 0) throw videoError(sent, "a frame couldn't be added");
  s.drain();
}

void VideoEncoder::finish(std::stop_token stop) {
  State& s = *state_;
  const int sent = avcodec_send_frame(s.codec, nullptr);
  if (sent < 0) throw videoError(sent, "the file wasn't finished");
  s.drain(stop);
  if (stop.stop_requested()) throw Cancelled();
  int result = av_write_trailer(s.format);
  if (result < 0) throw videoError(result, "the file wasn't finished");
  if (s.format->pb->error < 0) throw videoError(s.format->pb->error, "the file wasn't finished");
  result = avio_closep(&s.format->pb);
  if (result < 0) throw videoError(result, "the file wasn't finished");
}

}  // namespace vantorel
