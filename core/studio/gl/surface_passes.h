#pragma once
// The model and its reference in three passes: their attributes, one sample a pixel; the light of
// each covered pixel; and the multisampled picture, each sample taking its pixel's light.
#include "studio/gl/frame.h"
#include "studio/gl/program.h"
#include "studio/gl/render_targets.h"
#include "studio/gl/shadow_pass.h"
#include "studio/lighting.h"

#include <array>
#include <memory>
#include <vector>

namespace vantorel::gl {

/// The environment's picture on the device, with its diffuse light in nine coefficients.
struct SurfaceEnvironment {
  Texture texture;
  std::array<Float3, 9> irradiance{};
  float lods = 0;  ///< the mip levels the glossy lookups may use
};

class SurfacePasses {
 public:
  /// Compiles the programs the first picture needs at least.
  SurfacePasses();
  /// Packs every surface's attributes into `targets`, reading the ruler's scale from `ruler` (0: none).
  void drawAttributes(const Frame& frame, const PictureTargets& targets, GLuint ruler);
  /// Lights the pixels the attributes cover. `shadowMap` is 0 until the key cast a shadow.
  void light(const Frame& frame, const PictureTargets& targets, const LightRig& rig, const KeyShadow& shadow,
             GLuint shadowMap, const SurfaceEnvironment& environment, GLuint fullScreen);
  /// Clears the multisampled picture and draws every surface into it from the lit pixels.
  void place(const Frame& frame, const PictureTargets& targets);
  /// Whether the last `place` drew any sample of the model's objects (waits for the device).
  bool modelCovered() const;

 private:
  Program& attributes(unsigned features);
  Program& lighting(unsigned features);
  /// The index of `m`'s finish in the frame's table, adding it when new.
  int finish(const SurfaceMaterial& m);
  void drawAttributes(const DrawnMesh& drawn, const Matrix4& model, Float3 buildAxis, const Frame& frame, bool hasRuler);
  void drawPlacement(const DrawnMesh& drawn);

  std::array<std::unique_ptr<Program>, 4> attributes_, lighting_;  // by feature bits
  std::unique_ptr<Program> placement_;
  std::vector<std::array<float, 4>> finishes_;  // roughness, metalness, clear coat and its roughness
  Query coverage_;
};

}  // namespace vantorel::gl
