#pragma once
// The framebuffers the passes draw into, each made on first use and resized when its size changes.
#include "studio/gl/gl_handle.h"
#include "base/image.h"

namespace vantorel::gl {

/// The frame-sized targets: the packed surface attributes with their depth, the lit pixels
/// (which share that depth, to light covered pixels only), the multisampled picture and its
/// one-sample resolve.
class PictureTargets {
 public:
  /// Sizes the targets for a width × height picture with `samples` per pixel of the multisampled
  /// one; false when the size is beyond the device or a target is incomplete.
  bool ensure(int width, int height, int samples);

  GLuint attributes() const { return attributesFramebuffer_.get(); }
  GLuint attributeTexture() const { return attributeTexture_.get(); }
  GLuint lit() const { return litFramebuffer_.get(); }
  GLuint litTexture() const { return litTexture_.get(); }
  GLuint multisample() const { return multisampleFramebuffer_.get(); }
  GLuint multisampleTexture() const { return colourTexture_.get(); }
  GLuint resolve() const { return resolveFramebuffer_.get(); }

  /// The resolved picture, top row first. Leaves the default framebuffer bound.
  Image readBack() const;

 private:
  // Storage for the multisampled picture and its resolve; for the attributes and lit pixels.
  // Each is true when its framebuffers are complete.
  bool storePicture(int width, int height, int samples);
  bool storePixels(int width, int height);

  Framebuffer multisampleFramebuffer_;
  Texture colourTexture_;  // a texture, so that a program resolves it
  Renderbuffer depthBuffer_;
  Framebuffer resolveFramebuffer_;
  Renderbuffer resolveBuffer_;
  Framebuffer attributesFramebuffer_;
  Texture attributeTexture_;
  Renderbuffer attributeDepth_;
  Framebuffer litFramebuffer_;
  Texture litTexture_;
  int width_ = 0, height_ = 0;
};

/// A square depth map: the key light's, compared on lookup, or one read as plain depths.
class ShadowMap {
 public:
  void ensure(int size, bool compared = true);
  GLuint framebuffer() const { return framebuffer_.get(); }
  /// 0 until the first shadow is drawn.
  GLuint texture() const { return texture_.get(); }

 private:
  Framebuffer framebuffer_;
  Texture texture_;
  int size_ = 0;
  bool compared_ = true;
};

/// One level of the floor's shadow mask (occlusion, its blockers' distance, contact) and its blur's
/// other half: each pass reads one and draws the other.
class FloorMask {
 public:
  void ensure(int width, int height);
  GLuint framebuffer(int i) const { return framebuffers_[i].get(); }
  GLuint texture(int i) const { return textures_[i].get(); }

 private:
  Framebuffer framebuffers_[2];
  Texture textures_[2];
  int width_ = 0, height_ = 0;
};

}  // namespace vantorel::gl
