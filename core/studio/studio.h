#pragma once
// The live scene of one model: its objects with materials from the look, standing on a turntable
// beside an optional scale reference, over a shadow-catching floor, under a light rig, drawn
// offscreen by OpenGL. Shared by std::shared_ptr; `update` and `render` are serialised by the
// studio's mutex and may be called from any thread.
#include "input/print_model.h"
#include "staging/framing.h"
#include "staging/look.h"
#include "staging/placement.h"
#include "staging/render_mesh.h"
#include "base/image.h"
#include "studio/render_timings.h"
#include "studio/studio_error.h"
#include "studio/studio_scene.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vantorel {

class Studio {
 public:
  /// One visible object with its drawable mesh, in model order. On the software rasteriser the
  /// mesh of an object far denser than any picture is built from a simplified copy.
  struct MeshEntry {
    ModelObject object;
    RenderMesh mesh;
  };

  /// Builds the studio for `model` under `look`, leaving out the objects in `hidden`: meshes,
  /// placement, reference, lights and floor, uploaded and ready to render. Any thread.
  /// Throws StudioError (noGraphics) when no OpenGL 4.1 device or context can be had.
  static std::shared_ptr<Studio> create(PrintModel model, Look look, HiddenObjects hidden = {});
  ~Studio();
  Studio(const Studio&) = delete;
  Studio& operator=(const Studio&) = delete;

  const PrintModel& model() const { return model_; }
  const HiddenObjects& hidden() const { return hidden_; }
  const std::vector<MeshEntry>& meshes() const { return meshes_; }
  Look look() const;
  Placement placement() const;
  /// The scene as it stands after the last update or render.
  StudioScene scene() const;
  /// The sweep extent of the model and its reference, in scene units (mm for any model of
  /// ordinary size; see StudioScene::unitScale).
  SweepExtent sweepExtent() const;
  /// True on Mesa's software rasteriser; the GL renderer's name.
  bool isSoftware() const;
  std::string rendererName() const;

  /// Applies `look`: the placement again when the orientation changed, then materials, reference,
  /// floor, lights and environment. Never throws for GL trouble (the next render reports it).
  void update(const Look& look);

  /// The longest side a picture may have: the largest output size's. It bounds the memory a
  /// render takes, as every target is the picture's size.
  static constexpr int kLargestSide = 3840;

  /// One picture of exactly width × height pixels: the model turned by `turn` radians (plus the
  /// look's start angle and the −35° three-quarter offset), seen from `elevation` degrees (the
  /// look's camera angle when absent), framed by `mode`, 4× multisampled, composed over the look's
  /// background when `background` is on and the look is not transparent (then opaque), else
  /// transparent around the model. Nothing (never an exception) when the picture cannot be made:
  /// a side beyond kLargestSide, a device failure, or a model with objects that covers no pixel.
  /// `timings`, when given, receives the milliseconds of each pass.
  std::optional<Image> render(int width, int height, float turn, std::optional<float> elevation = std::nullopt,
                              FramingMode mode = FramingMode::turntable, bool background = true,
                              RenderTimings* timings = nullptr);

  struct Device;

 private:
  Studio(PrintModel model, Look look, HiddenObjects hidden);
  void rebuild();  // geometry, reference, staging; lock held, context current
  Bounds framedReference() const;  // the reference's box where it widens the framing, else empty

  const PrintModel model_;
  const HiddenObjects hidden_;
  std::vector<MeshEntry> meshes_;
  mutable std::mutex mutex_;
  Look look_;
  Placement placement_;
  StudioScene scene_;
  SweepExtent sweep_;
  std::unique_ptr<Device> device_;
};

}  // namespace vantorel
