#pragma once
// The shadow-catching floor: a mask of the key's shadow, its blockers' distance and the model's
// contact with the floor, drawn from the key's depth map and from a view of the model from under
// the floor, blurred at three widths; then laid on the picture as a darkening in the room's colour.
#include "studio/gl/frame.h"
#include "studio/gl/gl_handle.h"
#include "studio/gl/program.h"
#include "studio/gl/render_targets.h"
#include "studio/gl/shadow_pass.h"
#include "studio/lighting.h"

#include <array>

namespace vantorel::gl {

class FloorPass {
 public:
  /// The software rasteriser gets coarser masks.
  explicit FloorPass(bool software);
  /// Draws the masks from `shadowMap` and from the meshes of `frame` seen from below, only where
  /// the key's shadow can fall on `floor`, and blurs them. `fullScreen` is a vertex array without
  /// streams. Leaves depth testing on and culling as the meshes set it.
  void drawMask(const FloorNode& floor, const LightNode& key, SweepExtent sweep, const KeyShadow& shadow,
                GLuint shadowMap, const Frame& frame, GLuint fullScreen);
  /// Blends the last masks' shadow for `rig` into the bound framebuffer: under what is there
  /// (`under`, weighted by what the surfaces leave uncovered, without depth) or over it, against its depth.
  void draw(const LightRig& rig, const Matrix4& viewProjection, bool under);

 private:
  static constexpr int kLevels = 3;
  // The model's lowest surfaces as depths seen from under the floor, within the contact's reach.
  void drawBelow(const FloorNode& floor, SweepExtent sweep, const Frame& frame);

  bool software_;
  Program floor_, mask_, blur_, depth_;
  VertexArray quadArray_;
  Buffer quad_;
  std::array<FloorMask, kLevels> levels_;
  std::array<float, kLevels> widths_{};  // each level's blur on the floor (mm)
  ShadowMap below_;
  Matrix4 belowViewProjection_;
  float belowNear_ = 0, belowSpan_ = 0, contactReach_ = 0;
  float penumbraAtContact_ = 0, penumbraGrowth_ = 0;  // mm, and mm per unit of stored distance
  float distanceUnit_ = 0, extent_ = 0;
  float x0_ = 0, x1_ = 0, z0_ = 0, z1_ = 0;  // the masks' square on the floor
};

}  // namespace vantorel::gl
