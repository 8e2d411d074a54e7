#pragma once
// The shadow-catching floor: an occlusion mask drawn from the key's shadow map and blurred, then
// laid on the picture as black with the shadow's opacity.
#include "studio/gl/gl_handle.h"
#include "studio/gl/program.h"
#include "studio/gl/render_targets.h"
#include "studio/gl/shadow_pass.h"
#include "studio/lighting.h"

namespace vantorel::gl {

class FloorPass {
 public:
  /// The software rasteriser gets a coarser mask.
  explicit FloorPass(bool software);
  /// Draws the mask from `shadowMap`, only where the key's shadow can fall on `floor`, and blurs
  /// it by the shadow's softness. `fullScreen` is a vertex array without streams.
  void drawMask(const FloorNode& floor, const LightNode& key, SweepExtent sweep, const KeyShadow& shadow,
                GLuint shadowMap, GLuint fullScreen);
  /// Blends the last mask's shadow into the bound framebuffer: under what is there (`under`,
  /// weighted by what the surfaces leave uncovered, without depth) or over it, against its depth.
  void draw(const FloorNode& floor, const Matrix4& viewProjection, float opacity, bool under);

 private:
  bool software_;
  Program floor_, mask_, blur_;
  VertexArray quadArray_;
  Buffer quad_;
  FloorMask target_;
  float x0_ = 0, x1_ = 0, z0_ = 0, z1_ = 0;  // the mask's square on the floor
};

}  // namespace vantorel::gl
