#pragma once
// The GL side of one studio: meshes on the device, the programs, the shadow map, the attribute
// targets, the multisampled picture and its read-back. Every call needs the studio's context current.
#include "staging/render_mesh.h"
#include "studio/environment_light.h"
#include "studio/render_timings.h"
#include "studio/studio_scene.h"

#include <epoxy/gl.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace vantorel::gl {

class Program;

/// Which faces a mesh may skip: closed, consistently wound meshes never show their inside.
enum class Culling { none, back, front };

class Renderer {
 public:
  /// Uploads `meshes` (drawn with the given culling each) and compiles the programs.
  /// Throws StudioError::noGraphics when a program does not build.
  Renderer(std::span<const RenderMesh> meshes, std::span<const Culling> culling, bool software);
  ~Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  void setEnvironment(const EnvironmentLight& environment);
  /// The reference's geometry and, for the ruler, its printed scale.
  void setReference(const ReferenceNode& reference, const Image* rulerScale);

  /// Draws `scene` into a width × height premultiplied picture: shadow pass, 4× multisampled colour
  /// pass, resolve, read-back. Nothing when the size is beyond the device or GL fails.
  std::optional<Image> draw(const StudioScene& scene, SweepExtent sweep, int width, int height, RenderTimings* timings);

  /// The side of the key's shadow map: the look's size, a quarter on the software rasteriser
  /// (the floor's shadow is blurred from it, and the model's own shadows are soft).
  int shadowMapSize(int requested) const;

 private:
  struct Mesh {
    GLuint vao = 0;
    GLuint buffers[4] = {};
    std::vector<std::pair<std::size_t, std::size_t>> groups;  // (first index, count)
    std::vector<std::size_t> materials;                       // reference parts: material per group
    Culling culling = Culling::none;
  };
  Mesh upload(std::span<const Float3> positions, std::span<const Float3> normals, std::span<const float> uvs,
              const std::vector<std::vector<std::uint32_t>>& groups);
  void release(Mesh& mesh);
  bool ensureTargets(int width, int height);
  void ensureShadowMap(int size);
  void ensureMask(int width, int height);
  void drawDepth(const Mesh& mesh);
  /// The material of group `g` of `mesh`, or nothing when it has none.
  static const SurfaceMaterial* material(const Mesh& mesh, std::size_t g, const std::vector<SurfaceMaterial>& materials);
  /// Draws every group of `mesh` into the attribute targets with the program for its material;
  /// `prepare` sets the frame's uniforms on a program when the draw switches to it. `finish`
  /// gives a material's index in the lighting pass's table of finishes.
  void drawAttributes(const Mesh& mesh, const std::vector<SurfaceMaterial>& materials,
                      const std::function<int(const SurfaceMaterial&)>& finish,
                      const std::function<void(Program&)>& prepare);
  /// Draws every group of `mesh` into the multisampled picture from the lit pixels.
  void drawPlacement(const Mesh& mesh, const std::vector<SurfaceMaterial>& materials);
  Program& attributes(unsigned features);
  Program& lighting(unsigned features);

  bool software_;
  std::vector<Mesh> meshes_;
  Mesh reference_;
  bool hasReference_ = false;
  std::unique_ptr<Program> shadow_, floor_, mask_, blur_, placement_;
  std::array<std::unique_ptr<Program>, 4> attributes_, lighting_;  // by feature bits
  GLuint floorVao_ = 0, floorBuffer_ = 0;
  GLuint environment_ = 0, ruler_ = 0;
  std::array<Float3, 9> irradiance_{};
  float environmentLods_ = 0;
  GLuint shadowFramebuffer_ = 0, shadowTexture_ = 0;
  int shadowSize_ = 0;
  GLuint maskFramebuffers_[2] = {}, maskTextures_[2] = {}, emptyVao_ = 0;
  int maskWidth_ = 0, maskHeight_ = 0;
  GLuint multisampleFramebuffer_ = 0, colourBuffer_ = 0, depthBuffer_ = 0;
  GLuint resolveFramebuffer_ = 0, resolveBuffer_ = 0;
  // One sample per pixel: the packed surface attributes with their depth, and the lit pixels,
  // which share that depth to light covered pixels only.
  GLuint attributesFramebuffer_ = 0, attributeTexture_ = 0, attributeDepth_ = 0;
  GLuint litFramebuffer_ = 0, litTexture_ = 0;
  int targetWidth_ = 0, targetHeight_ = 0;
  int samples_ = 4;
  float anisotropy_ = 1;
};

}  // namespace vantorel::gl
