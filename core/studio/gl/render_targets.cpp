#include "studio/gl/render_targets.h"

#include <cstring>
#include <vector>

namespace vantorel::gl {
namespace {

// Bilinear lookups of the bound 2D texture, with `border` outside it.
void filterLinearWithBorder(const float (&border)[4]) {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
  glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
}

bool complete() { return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE; }

}  // namespace

bool PictureTargets::ensure(int width, int height, int samples) {
  if (width == width_ && height == height_ && multisampleFramebuffer_) return true;
  GLint largest = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
  if (width > largest || height > largest) return false;
  if (!multisampleFramebuffer_) {
    multisampleFramebuffer_ = Framebuffer::make();
    colourTexture_ = Texture::make();
    depthBuffer_ = Renderbuffer::make();
    resolveFramebuffer_ = Framebuffer::make();
    resolveBuffer_ = Renderbuffer::make();
    attributesFramebuffer_ = Framebuffer::make();
    attributeTexture_ = Texture::make();
    attributeDepth_ = Renderbuffer::make();
    litFramebuffer_ = Framebuffer::make();
    litTexture_ = Texture::make();
  }
  const bool pictureOK = storePicture(width, height, samples);
  const bool pixelsOK = storePixels(width, height);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (!pictureOK || !pixelsOK || glGetError() != GL_NO_ERROR) {
    width_ = height_ = 0;
    return false;
  }
  width_ = width;
  height_ = height;
  return true;
}

bool PictureTargets::storePicture(int width, int height, int samples) {
  glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, colourTexture_.get());
  glTexImage2DMultisample(GL_TEXTURE_2D_MULTISAMPLE, samples, GL_RGBA8, width, height, GL_TRUE);
  glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_.get());
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, width, height);
  glBindFramebuffer(GL_FRAMEBUFFER, multisampleFramebuffer_.get());
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D_MULTISAMPLE, colourTexture_.get(), 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_.get());
  const bool multisampleOK = complete();
  glBindRenderbuffer(GL_RENDERBUFFER, resolveBuffer_.get());
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glBindFramebuffer(GL_FRAMEBUFFER, resolveFramebuffer_.get());
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolveBuffer_.get());
  return complete() && multisampleOK;
}

bool PictureTargets::storePixels(int width, int height) {
  // Read texel by texel, except that the lit pixels' neighbours are averaged by bilinear lookups.
  const auto pixelTexture = [&](const Texture& texture, GLenum format, GLenum components, GLenum type, GLint filter) {
    glBindTexture(GL_TEXTURE_2D, texture.get());
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, components, type, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  };
  pixelTexture(attributeTexture_, GL_RGBA32UI, GL_RGBA_INTEGER, GL_UNSIGNED_INT, GL_NEAREST);
  pixelTexture(litTexture_, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, GL_LINEAR);
  glBindRenderbuffer(GL_RENDERBUFFER, attributeDepth_.get());
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
  glBindFramebuffer(GL_FRAMEBUFFER, attributesFramebuffer_.get());
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, attributeTexture_.get(), 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, attributeDepth_.get());
  const bool attributesOK = complete();
  glBindFramebuffer(GL_FRAMEBUFFER, litFramebuffer_.get());
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, litTexture_.get(), 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, attributeDepth_.get());
  return complete() && attributesOK;
}

Image PictureTargets::readBack() const {
  Image picture(width_, height_, false);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, resolveFramebuffer_.get());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, picture.pixels.data());
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  // GL's rows run from the bottom up; the picture's from the top down.
  std::vector<std::uint8_t> swap(picture.stride());
  for (int y = 0; y < height_ / 2; ++y) {
    std::uint8_t* a = picture.row(y);
    std::uint8_t* b = picture.row(height_ - 1 - y);
    std::memcpy(swap.data(), a, swap.size());
    std::memcpy(a, b, swap.size());
    std::memcpy(b, swap.data(), swap.size());
  }
  return picture;
}

void ShadowMap::ensure(int size, bool compared) {
  if (size == size_ && compared == compared_ && framebuffer_) return;
  if (!framebuffer_) {
    framebuffer_ = Framebuffer::make();
    texture_ = Texture::make();
  }
  glBindTexture(GL_TEXTURE_2D, texture_.get());
  glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, size, size, 0, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, nullptr);
  const float far[4] = {1, 1, 1, 1};  // beyond the map nothing casts a shadow
  filterLinearWithBorder(far);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, compared ? GL_COMPARE_REF_TO_TEXTURE : GL_NONE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_.get());
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, texture_.get(), 0);
  glDrawBuffer(GL_NONE);
  glReadBuffer(GL_NONE);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  size_ = size;
  compared_ = compared;
}

void FloorMask::ensure(int width, int height) {
  if (width == width_ && height == height_ && framebuffers_[0]) return;
  if (!framebuffers_[0]) {
    for (Framebuffer& framebuffer : framebuffers_) framebuffer = Framebuffer::make();
    for (Texture& texture : textures_) texture = Texture::make();
  }
  for (int i = 0; i < 2; ++i) {
    glBindTexture(GL_TEXTURE_2D, textures_[i].get());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    const float none[4] = {0, 0, 0, 0};  // outside the mask nothing is occluded
    filterLinearWithBorder(none);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffers_[i].get());
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, textures_[i].get(), 0);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  width_ = width;
  height_ = height;
}

}  // namespace vantorel::gl
