#pragma once
// The GL side of one studio: meshes on the device, the passes that draw them and the picture's
// read-back. Every call needs the studio's context current, and so does its destruction.
#include "staging/render_mesh.h"
#include "studio/environment_light.h"
#include "studio/gl/ambient_occlusion.h"
#include "studio/gl/device_mesh.h"
#include "studio/gl/floor_pass.h"
#include "studio/gl/program.h"
#include "studio/gl/render_targets.h"
#include "studio/gl/shadow_pass.h"
#include "studio/gl/surface_passes.h"
#include "studio/render_timings.h"
#include "studio/studio_scene.h"

#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace vantorel::gl {

class Renderer {
 public:
  /// Compiles the programs the passes always need. Throws StudioError::noGraphics when one does not build.
  explicit Renderer(bool software);
  ~Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  void setEnvironment(const EnvironmentLight& environment);

  /// Uploads a drawn form of an object, culled as given, and returns its slot.
  std::size_t upload(const RenderMesh& mesh, Culling culling);
  /// The model's objects, by their occluding forms (which must outlive the renderer), now stand
  /// under `placement` in the box `placed`: the occlusion maps are drawn when a mesh first needs them.
  void placeOccluders(std::span<const Occluding> objects, const Matrix4& placement, const Bounds& placed);
  /// Works out the occlusion of the mesh in `slot`, uploaded from `mesh`, from the maps, gives it
  /// to the mesh and returns it.
  std::vector<std::uint8_t> shade(std::size_t slot, const RenderMesh& mesh);
  /// Gives the mesh in `slot` occlusion worked out before (one value per position).
  void setOcclusion(std::size_t slot, std::span<const std::uint8_t> occlusion);

  /// The slots each object of a scene is drawn from: its surfaces, and its shadow's casters.
  struct MeshChoice {
    std::size_t surface, shadow;
  };
  /// The reference's geometry and, for the ruler, its printed scale.
  void setReference(const ReferenceNode& reference, const Image* rulerScale);

  /// Draws `scene` into a width × height premultiplied picture: shadow pass, 4× multisampled colour
  /// pass, resolve, read-back; `chosen` holds the slots of each of the scene's objects. Nothing
  /// when the size is beyond the device or GL fails.
  std::optional<Image> draw(const StudioScene& scene, std::span<const MeshChoice> chosen, SweepExtent sweep, int width,
                            int height, RenderTimings* timings);

  /// The side of the key's shadow map: the look's size, a quarter on the software rasteriser
  /// (the floor's shadow is blurred from it, and the model's own shadows are soft).
  int shadowMapSize(int requested) const;

 private:
  /// The meshes and views of one picture of `scene`.
  Frame frame(const StudioScene& scene, std::span<const MeshChoice> chosen, int width, int height) const;

  bool software_;
  SurfacePasses surfaces_;
  ShadowPass shadow_;
  FloorPass floor_;
  Program resolve_;
  VertexArray fullScreen_;  // no streams: the full-screen passes make their triangle from the vertex index
  std::vector<DeviceMesh> meshes_;
  std::unique_ptr<OcclusionMaps> occlusion_;  // drawn on first need for the placement below
  std::span<const Occluding> occluders_;
  Matrix4 placement_;
  Bounds placed_;
  DeviceMesh reference_;
  bool hasReference_ = false;
  SurfaceEnvironment environment_;
  Texture ruler_;
  PictureTargets targets_;
  int samples_ = 4;
  float anisotropy_ = 1;
};

}  // namespace vantorel::gl
