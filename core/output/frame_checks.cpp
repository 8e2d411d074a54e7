#include "output/frame_checks.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <new>

namespace vantorel {

void drawOnWhite(Image& image) {
  if (image.opaque) return;
  for (std::size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
    const std::uint8_t rest = std::uint8_t(255 - image.pixels[i + 3]);
    image.pixels[i] = std::uint8_t(image.pixels[i] + rest);
    image.pixels[i + 1] = std::uint8_t(image.pixels[i + 1] + rest);
    image.pixels[i + 2] = std::uint8_t(image.pixels[i + 2] + rest);
    image.pixels[i + 3] = 255;
  }
  image.opaque = true;
}

Image resized(Image&& image, int width, int height) {
  if (image.width == width && image.height == height) return std::move(image);
  SwsContext* scaler = sws_getContext(image.width, image.height, AV_PIX_FMT_RGBA, width, height, AV_PIX_FMT_RGBA,
                                      SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!scaler) throw std::bad_alloc();
  Image out(width, height, image.opaque);
  const std::uint8_t* source[4] = {image.pixels.data(), nullptr, nullptr, nullptr};
  const int sourceStride[4] = {int(image.stride()), 0, 0, 0};
  std::uint8_t* target[4] = {out.pixels.data(), nullptr, nullptr, nullptr};
  const int targetStride[4] = {int(out.stride()), 0, 0, 0};
  sws_scale(scaler, source, sourceStride, 0, image.height, target, targetStride);
  sws_freeContext(scaler);
  return out;
}

}  // namespace vantorel
