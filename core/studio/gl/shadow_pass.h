#pragma once
// The depth of the scene as the key light sees it, for the surfaces' and the floor's shadows.
#include "studio/gl/frame.h"
#include "studio/gl/program.h"
#include "studio/gl/render_targets.h"

namespace vantorel::gl {

/// The key's orthographic shadow volume and the softness of its shadows.
struct KeyShadow {
  bool on = false;  ///< the key casts a shadow
  float scale = 0;  ///< half the volume's side (mm)
  Matrix4 lightViewProjection;
  int mapSize = 0;
  float texelWorld = 0;  ///< one texel of the map on the ground (mm)
  float softness = 0;    ///< the penumbra's world radius (mm)
  float bias = 0;        ///< the depth bias, in the map's depth units

  /// The key's shadow for a sweep of extent `extent`, on a map of side `mapSize`.
  static KeyShadow of(const LightNode& key, float extent, int mapSize);
  /// The penumbra's radius in the map's coordinates.
  float mapRadius() const { return softness / (2 * scale); }
};

class ShadowPass {
 public:
  ShadowPass();
  /// Draws every mesh of `frame` into the map; nothing when the key casts no shadow.
  void draw(const KeyShadow& shadow, const Frame& frame);
  /// The map's depth texture; 0 until a shadow was drawn.
  GLuint map() const { return target_.texture(); }

 private:
  Program program_;
  ShadowMap target_;
};

}  // namespace vantorel::gl
