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
#include <thread>
#include <vector>

namespace vantorel {

class Studio {
 public:
  /// One visible object, in model order. Each picture draws it from a form that matches its
  /// size: a dense object from a copy simplified to a fraction of the picture's pixel, made when a
  /// picture first needs it and kept for the pictures that follow (a video's frames, the shots).
  struct MeshEntry {
    const ModelObject* object;  ///< in model()
  };

  /// Builds the studio for `model` under `look`, leaving out the objects in `hidden`: meshes,
  /// placement, reference, lights and floor, uploaded and ready to render. Any thread.
  /// Throws StudioError (noGraphics) when no OpenGL 4.1 device or context can be had.
  static std::shared_ptr<Studio> create(PrintModel model, Look look, HiddenObjects hidden = {});
  /// Starts loading the graphics driver in the background, for a program that is about to read a
  /// model and then make its first studio: the two then overlap. Any thread; returns at once. Keep
  /// the thread until the studio is made or the program gives up: its end waits for the driver.
  [[nodiscard]] static std::jthread prepare();
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

  /// Draws every object whole from now on, however small the picture: the reference that the
  /// lighter copies are measured against. Pictures already drawn keep their copies, so call it first.
  void drawWhole();
  /// The triangles a picture of width × height draws of each visible object (whole or copied),
  /// as `render` would draw them; the copies are made if not made yet.
  std::vector<std::size_t> drawnTriangles(int width, int height);

  struct Device;

 private:
  // One drawn form of an object, uploaded: the whole object, or a copy for one level of detail.
  struct Form {
    int level;               // Detail level; kWhole for the object itself
    ModelObject copy;        // the simplified copy; empty for the whole object or an alias
    RenderMesh mesh;         // kept to shade it again when the placement changes
    std::size_t slot;        // in the renderer
    std::size_t triangles;
  };
  struct Forms {
    std::vector<std::int64_t> colours;  // the groups every form of the object draws, in order
    std::vector<Form> made;             // ascending by level
    std::optional<std::uint64_t> print;  // the object's fingerprint, once a copy was looked for
  };
  static constexpr int kWhole = -1'000'000;

  Studio(PrintModel model, Look look, HiddenObjects hidden);
  void rebuild();  // geometry, reference, staging; lock held, context current
  // Object `i`'s form for `level`, made and uploaded when missing; lock held, context current.
  const Form& form(std::size_t i, int level);
  // Gives a form just made (or after a new placement) its occlusion: from the cache, else worked
  // out from the maps and kept. Lock held, context current.
  void shade(const Form& form);
  // The camera of a picture of width × height at `turn`; lock held.
  CameraNode camera(int width, int height, float turn, std::optional<float> elevation, FramingMode mode) const;
  // The level a picture `height` pixels high through `camera` draws surfaces at.
  int level(const CameraNode& camera, int height) const;
  Bounds framedReference() const;  // the reference's box where it widens the framing, else empty

  const PrintModel model_;
  const HiddenObjects hidden_;
  std::vector<MeshEntry> meshes_;
  std::vector<Forms> forms_;  // one per mesh entry
  float meshScale_ = 1;       // see meshOf
  bool whole_ = false;        // see drawWhole
  mutable std::mutex mutex_;
  Look look_;
  Placement placement_;
  StudioScene scene_;
  SweepExtent sweep_;
  std::unique_ptr<Device> device_;
};

}  // namespace vantorel
