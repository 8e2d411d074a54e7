#include "studio/studio.h"

#include "studio/canvas.h"
#include "studio/closed_mesh.h"
#include "studio/compositor.h"
#include "studio/environment_light.h"
#include "studio/gl/gl_context.h"
#include "studio/gl/renderer.h"
#include "studio/detail_cache.h"
#include "studio/detail_levels.h"
#include "studio/transforms.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <mutex>
#include <system_error>
#include <numbers>
#include <utility>
#include <vector>

namespace vantorel {

// Everything that lives on the GPU side, with the caches that spare work between calls.
struct Studio::Device {
  std::unique_ptr<gl::Context> context;
  std::unique_ptr<gl::Renderer> renderer;
  std::optional<std::pair<LightingPreset, RGBA>> environment;  // the preset and sweep whose light is uploaded
  std::optional<ReferenceNode> reference;     // the reference whose geometry is uploaded
  std::vector<gl::Occluding> occluders;       // each object's occluding form, for every placement
  std::optional<Matrix4> occlusion;           // the placement the meshes' occlusion is baked for
  struct Backdrop {
    BackgroundStyle style;
    RGBA colour;
    int width, height;
    Image image;
  };
  std::optional<Backdrop> backdrop;  // the last painted background, reused while it fits

  ~Device() {
    if (renderer) {
      gl::Context::Current current(*context);
      renderer.reset();
    }
  }
};

namespace {

// Face normals come from cross products whose squared lengths leave float's range for triangles
// beyond about 1e9 mm or below 1e-9 mm, so a model far from ordinary size takes its normals from
// a copy scaled by a power of two, which scales back exactly.
RenderMesh meshOf(const ModelObject& object, float scale) {
  if (scale == 1) return RenderMesh::build(object, RenderMesh::kStudioCreaseAngle);
  ModelObject ordinary = object;
  for (Float3& p : ordinary.positions) p = p * scale;
  RenderMesh mesh = RenderMesh::build(ordinary, RenderMesh::kStudioCreaseAngle);
  for (Float3& p : mesh.positions) p = p * (1 / scale);
  return mesh;
}

// The environment's light depends on the preset and the sweep's colour alone, so each pair's is
// painted and prefiltered once and shared by every studio; the most recent few are kept, as a
// colour being picked passes through many.
std::shared_ptr<const EnvironmentLight> environmentOf(LightingPreset preset, RGBA sweep) {
  static std::mutex mutex;
  static std::vector<std::pair<std::pair<LightingPreset, RGBA>, std::shared_ptr<const EnvironmentLight>>> made;
  constexpr std::size_t kKept = 8;
  const std::pair key{preset, sweep};
  {
    std::lock_guard lock(mutex);
    for (const auto& [known, light] : made)
      if (known == key) return light;
  }
  auto light = std::make_shared<const EnvironmentLight>(Lighting::environment(preset, sweep));
  if (light->width == 0) return light;  // black this time; tried again next time
  std::lock_guard lock(mutex);
  if (made.size() == kKept) made.erase(made.begin());
  made.emplace_back(key, light);
  return light;
}

// The reference, the scene's units, the sweep and the light rig of a model standing under
// `placement` in `look`: what the studio's staging and its early start on the environment share.
struct Staging {
  ReferenceNode reference;
  float unitScale;
  SweepExtent sweep;
  LightRig rig;
};

Staging stagingOf(const Look& look, const Placement& placement) {
  Staging staging;
  staging.reference = Scene::reference(look, placement.bounds);
  staging.unitScale = Scene::unitScale(Lighting::sweepExtent(placement, Bounds::empty, 1, 0).extent());
  // Beside a model far smaller or larger than ordinary the reference would hide the model or
  // vanish itself, so the model alone is framed and the reference keeps its true size.
  const Bounds framed = staging.unitScale == 1 ? staging.reference.box() : Bounds::empty;
  staging.sweep = Lighting::sweepExtent(placement, framed, staging.unitScale);
  staging.rig = Lighting::stage(look, staging.sweep);
  return staging;
}

}  // namespace

Studio::Studio(PrintModel model, Look look, HiddenObjects hidden)
    : model_(std::move(model)), hidden_(std::move(hidden)), look_(std::move(look)) {}

Studio::~Studio() = default;

std::jthread Studio::prepare() { return gl::Context::prepare(); }

std::shared_ptr<Studio> Studio::create(PrintModel model, Look look, HiddenObjects hidden) {
  std::shared_ptr<Studio> studio(new Studio(std::move(model), std::move(look), std::move(hidden)));
  studio->placement_ = Placement::of(studio->model_, studio->look_.orientation, studio->hidden_);
  const Float3 size = studio->placement_.stagedSize();
  studio->meshScale_ = Scene::unitScale(std::max({size.x, size.y, size.z}));
  for (const ModelObject& object : studio->model_.objects) {
    if (studio->hidden_.contains(object.id)) continue;
    studio->meshes_.push_back({&object});
    studio->forms_.push_back({Detail::colourKeys(object), {}, std::nullopt});
  }
  // The environment's light is pure arithmetic: it is worked out on another core while this one
  // opens the device and builds the programs, and the studio's first staging finds it made.
  std::future<void> environment;
  try {
    const RGBA sweep = stagingOf(studio->look_, studio->placement_).rig.sweepColor;
    environment = std::async(std::launch::async, [preset = studio->look_.lighting, sweep] { environmentOf(preset, sweep); });
  } catch (const std::system_error&) {
    // No thread to be had: the first staging works it out.
  }
  // So are the occluding forms of the objects, which hold for every placement.
  const auto occluding = [studio] {
    std::vector<gl::Occluding> forms;
    for (const MeshEntry& entry : studio->meshes_) forms.push_back(gl::occluderOf(*entry.object));
    return forms;
  };
  std::future<std::vector<gl::Occluding>> occluders;
  try {
    occluders = std::async(std::launch::async, occluding);
  } catch (const std::system_error&) {
    // Worked out below instead.
  }
  auto device = std::make_unique<Device>();
  device->context = gl::Context::create();
  {
    gl::Context::Current current(*device->context);
    device->renderer = std::make_unique<gl::Renderer>(device->context->isSoftware());
  }
  device->occluders = occluders.valid() ? occluders.get() : occluding();
  studio->device_ = std::move(device);
  if (environment.valid()) environment.wait();
  std::lock_guard lock(studio->mutex_);
  gl::Context::Current current(*studio->device_->context);
  studio->rebuild();
  return studio;
}

Look Studio::look() const {
  std::lock_guard lock(mutex_);
  return look_;
}

Placement Studio::placement() const {
  std::lock_guard lock(mutex_);
  return placement_;
}

StudioScene Studio::scene() const {
  std::lock_guard lock(mutex_);
  return scene_;
}

SweepExtent Studio::sweepExtent() const {
  std::lock_guard lock(mutex_);
  return sweep_;
}

bool Studio::isSoftware() const { return device_->context->isSoftware(); }
std::string Studio::rendererName() const { return device_->context->rendererName(); }

Bounds Studio::framedReference() const {
  // As the staging frames it: only beside a model of ordinary size.
  return scene_.unitScale == 1 ? scene_.reference.box() : Bounds::empty;
}

void Studio::rebuild() {
  // Model geometry: the model node carries the placement; one object node per visible object.
  scene_.modelTransform = placement_.transform;
  scene_.objects.clear();
  for (std::size_t i = 0; i < meshes_.size(); ++i) {
    ObjectNode node{meshes_[i].object->name, i, {}};
    for (const std::int64_t colour : forms_[i].colours) node.materials.push_back(Scene::groupMaterial(model_, look_, colour));
    scene_.objects.push_back(std::move(node));
  }
  // The model's occlusion turns with it, so it is baked again only when the placement changes,
  // and every form made so far takes its shade from the new maps.
  if (device_->occlusion != placement_.transform) {
    device_->renderer->placeOccluders(device_->occluders, placement_.transform, placement_.bounds);
    device_->occlusion = placement_.transform;
    for (const Forms& forms : forms_)
      for (const Form& made : forms.made)
        if (!made.mesh.positions.empty()) shade(made);  // aliases share a slot
  }
  // Scale reference.
  const Staging staging = stagingOf(look_, placement_);
  scene_.reference = staging.reference;
  if (!device_->reference || *device_->reference != scene_.reference) {
    std::optional<Image> scale;
    if (scene_.reference.kind == ScaleReference::ruler) scale = Canvas::rulerImage(scene_.reference.rulerLength, 20);
    device_->renderer->setReference(scene_.reference, scale ? &*scale : nullptr);
    device_->reference = scene_.reference;
  }
  // Staging: floor, lights, environment.
  scene_.unitScale = staging.unitScale;
  sweep_ = staging.sweep;
  scene_.rig = staging.rig;
  const std::pair environment{look_.lighting, scene_.rig.sweepColor};
  if (device_->environment != environment) {
    device_->renderer->setEnvironment(*environmentOf(look_.lighting, scene_.rig.sweepColor));
    device_->environment = environment;
  }
}

void Studio::update(const Look& look) {
  std::lock_guard lock(mutex_);
  if (look.orientation != look_.orientation) placement_ = Placement::of(model_, look.orientation, hidden_);
  look_ = look;
  try {
    gl::Context::Current current(*device_->context);
    rebuild();
  } catch (const StudioError&) {
    // The scene data is current; the device catches up on the next call that can make it current.
    device_->environment.reset();
    device_->reference.reset();
    device_->occlusion.reset();
  }
}

CameraNode Studio::camera(int width, int height, float turn, std::optional<float> elevation, FramingMode mode) const {
  const float psi = Scene::yaw(turn, look_.startAngle);
  const float e = elevation.value_or(vantorel::elevation(look_.camera));
  const float aspect = float(width) / float(height);
  CameraPose pose;
  if (mode == FramingMode::tight) {
    auto cloud = Framing::tightCloud(model_, hidden_, placement_, framedReference(), psi);
    if (scene_.unitScale != 1)
      for (Float3& point : cloud) point = point * scene_.unitScale;
    pose = Framing::solve(cloud, e, aspect, Framing::kTightMargin, Framing::kFovY);
  } else {
    const auto cloud = Framing::turntableCloud(Framing::kTurntableAngles, sweep_.radius, sweep_.height);
    pose = Framing::solve(cloud, e, aspect, Framing::kTurntableMargin, Framing::kFovY);
  }
  const float d = length(pose.position - pose.target);
  return {pose.position, pose.target, pose.fovY, Scene::nearPlane(d), Scene::farPlane(d)};
}

int Studio::level(const CameraNode& camera, int height) const {
  // A pixel covers the most of the model where the model comes nearest the camera: the view's
  // distance less the turntable's reach, but never nearer than a quarter of it.
  const float d = length(camera.position - camera.target);
  const float nearest = std::max(d - sweep_.radius * scene_.unitScale, 0.25f * d);
  const float pixel = 2 * nearest * std::tan(camera.fovY * 0.5f * float(std::numbers::pi) / 180) / float(height);
  return Detail::levelFor(pixel / scene_.unitScale);
}

const Studio::Form& Studio::form(std::size_t i, int level) {
  std::vector<Form>& made = forms_[i].made;
  const auto found = std::find_if(made.begin(), made.end(), [&](const Form& f) { return f.level == level; });
  if (found != made.end()) return *found;
  const ModelObject& object = *meshes_[i].object;
  const auto place = [&made](int l) {
    return std::lower_bound(made.begin(), made.end(), l, [](const Form& f, int k) { return f.level < k; });
  };
  // A coarser copy comes from the coarsest finer copy already made, far faster than from the
  // whole object; the two errors add up to this level's.
  std::optional<ModelObject> copy;
  int alias = kWhole;
  if (level != kWhole && !whole_ && object.triangleCount() > Detail::kDenseTriangles) {
    const Form* source = nullptr;
    for (const Form& f : made)
      if (f.level < level && !f.copy.indices.empty()) source = &f;
    if (source) {
      copy = Detail::simplified(source->copy, Detail::levelError(level) - Detail::levelError(source->level));
      if (!copy) alias = source->level;
    } else {
      // From the whole object the copy is slow to make, so it is kept for later runs.
      std::optional<std::uint64_t>& print = forms_[i].print;
      if (!print) print = DetailCache::fingerprint(object);
      const float error = Detail::levelError(level);
      copy = DetailCache::find(*print, error, object);
      if (!copy) {
        copy = Detail::simplified(object, error);
        if (copy) DetailCache::keep(*print, error, *copy);
      }
    }
  }
  if (!copy && level != kWhole) {
    // Not worth a copy of its own: this level draws what a finer one or the whole object draws.
    const Form& target = form(i, alias);
    Form shared{level, {}, {}, target.slot, target.triangles};
    return *made.insert(place(level), std::move(shared));
  }
  const ModelObject& drawn = copy ? *copy : object;
  Form fresh{level, {}, meshOf(drawn, meshScale_), 0, drawn.triangleCount()};
  gl::Culling culling = gl::Culling::none;
  switch (hiddenSide(drawn)) {
    case HiddenSide::none: break;
    case HiddenSide::back: culling = gl::Culling::back; break;
    case HiddenSide::front: culling = gl::Culling::front; break;
  }
  // Every form draws the object's groups in the same order, so the scene's materials fit them all.
  RenderMesh aligned;
  aligned.positions = std::move(fresh.mesh.positions);
  aligned.normals = std::move(fresh.mesh.normals);
  for (const std::int64_t colour : forms_[i].colours) {
    auto group = std::find_if(fresh.mesh.groups.begin(), fresh.mesh.groups.end(), [&](const auto& g) { return g.color == colour; });
    aligned.groups.push_back({colour, group != fresh.mesh.groups.end() ? std::move(group->indices) : std::vector<std::uint32_t>{}});
  }
  fresh.mesh = std::move(aligned);
  fresh.slot = device_->renderer->upload(fresh.mesh, culling);
  shade(fresh);
  if (copy) fresh.copy = std::move(*copy);
  return *made.insert(place(level), std::move(fresh));
}

void Studio::drawWhole() {
  std::lock_guard lock(mutex_);
  whole_ = true;
}

void Studio::shade(const Form& form) {
  // The occlusion depends on every object of the scene, so each one's fingerprint is part of the key.
  std::vector<std::uint64_t> prints;
  for (std::size_t i = 0; i < meshes_.size(); ++i) {
    std::optional<std::uint64_t>& print = forms_[i].print;
    if (!print) print = DetailCache::fingerprint(*meshes_[i].object);
    prints.push_back(*print);
  }
  const std::uint64_t key =
      DetailCache::occlusionKey(device_->context->rendererName(), prints, placement_.transform, form.mesh);
  if (const auto kept = DetailCache::findOcclusion(key, form.mesh.positions.size())) {
    device_->renderer->setOcclusion(form.slot, *kept);
    return;
  }
  DetailCache::keepOcclusion(key, device_->renderer->shade(form.slot, form.mesh));
}

std::vector<std::size_t> Studio::drawnTriangles(int width, int height) {
  std::vector<std::size_t> drawn;
  if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide) return drawn;
  std::lock_guard lock(mutex_);
  gl::Context::Current current(*device_->context);
  const int surfaces = level(camera(width, height, 0, std::nullopt, FramingMode::turntable), height);
  for (std::size_t i = 0; i < meshes_.size(); ++i) drawn.push_back(form(i, surfaces).triangles);
  return drawn;
}

std::optional<Image> Studio::render(int width, int height, float turn, std::optional<float> elevation, FramingMode mode,
                                    bool background, RenderTimings* timings) {
  if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide) return std::nullopt;
  std::lock_guard lock(mutex_);
  try {
    scene_.turntable = axisAngle({0, 1, 0}, Scene::yaw(turn, look_.startAngle));
    scene_.camera = camera(width, height, turn, elevation, mode);

    gl::Context::Current current(*device_->context);
    if (!device_->environment || !device_->reference || !device_->occlusion) rebuild();
    const int surfaces = level(scene_.camera, height);
    std::vector<gl::Renderer::MeshChoice> chosen;
    for (std::size_t i = 0; i < meshes_.size(); ++i) {
      // Made in this order, the shadow's coarser copy comes from the surfaces' copy.
      const std::size_t surface = form(i, surfaces).slot;
      chosen.push_back({surface, form(i, surfaces + Detail::kShadowLevelsCoarser).slot});
    }
    std::optional<Image> picture = device_->renderer->draw(scene_, chosen, sweep_, width, height, timings);
    if (!picture) return std::nullopt;

    const auto start = std::chrono::steady_clock::now();
    std::optional<Image> result;
    if (Compositor::isOpaque(look_, background)) {
      auto& cached = device_->backdrop;
      if (!cached || cached->style != look_.background || cached->colour != look_.backgroundColor ||
          cached->width != width || cached->height != height) {
        cached.reset();
        if (auto painted = Compositor::background(look_, width, height))
          cached = Device::Backdrop{look_.background, look_.backgroundColor, width, height, std::move(*painted)};
      }
      if (cached) result = Compositor::composeOver(std::move(*picture), &cached->image);
    } else {
      result = Compositor::composeOver(std::move(*picture), nullptr);
    }
    if (timings) timings->composite += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return result;
  } catch (const StudioError&) {
    return std::nullopt;
  } catch (const std::exception&) {
    // Out of memory or a failed allocation on the way: no picture, and the studio stays usable.
    return std::nullopt;
  }
}

}  // namespace vantorel
