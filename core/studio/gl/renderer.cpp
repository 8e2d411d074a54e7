#include "studio/gl/renderer.h"

#include "studio/gl/shaders.h"

#include "studio/reference_geometry.h"
#include "studio/transforms.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace vantorel::gl {
namespace {

class Stopwatch {
 public:
  explicit Stopwatch(RenderTimings* timings) : timings_(timings), start_(std::chrono::steady_clock::now()) {}
  // Waits for the device when timing, so each pass is charged its own work.
  void lap(double RenderTimings::*field) {
    if (!timings_) return;
    glFinish();
    const auto now = std::chrono::steady_clock::now();
    timings_->*field += std::chrono::duration<double, std::milli>(now - start_).count();
    start_ = now;
  }

 private:
  RenderTimings* timings_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace

Renderer::Renderer(bool software)
    : software_(software), floor_(software), resolve_({shaders::maskVertex}, {shaders::resolveFragment}),
      fullScreen_(VertexArray::make()) {
  GLint maxSamples = 4;
  glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
  samples_ = std::min(4, int(maxSamples));
  if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") || epoxy_gl_version() >= 46) {
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy_);
    anisotropy_ = std::min(anisotropy_, 8.0f);
  }
}

int Renderer::shadowMapSize(int requested) const {
  GLint largest = 4096;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  return std::min(software_ ? requested / 4 : requested, int(largest));
}

void Renderer::setEnvironment(const EnvironmentLight& environment) {
  environment_.irradiance = environment.irradiance;
  if (!environment_.texture) environment_.texture = Texture::make();
  glBindTexture(GL_TEXTURE_2D, environment_.texture.get());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (environment.width > 0 && environment.height > 0) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB16F, environment.width, environment.height, 0, GL_RGB, GL_FLOAT,
                 environment.radiance.data());
    // The mips are box-filtered here rather than by glGenerateMipmap, which on the software
    // rasteriser first builds its blit programs in every new context at several times this cost.
    std::vector<float> level = environment.radiance, next;
    int w = environment.width, h = environment.height;
    for (int lod = 1; w > 1 || h > 1; ++lod) {
      const int nw = std::max(1, w / 2), nh = std::max(1, h / 2);
      const int sx = w > 1 ? 2 : 1, sy = h > 1 ? 2 : 1;
      next.assign(std::size_t(nw) * std::size_t(nh) * 3, 0.0f);
      const float weight = 1.0f / float(sx * sy);
      for (int y = 0; y < nh; ++y)
        for (int x = 0; x < nw; ++x)
          for (int c = 0; c < 3; ++c) {
            float sum = 0;
            for (int dy = 0; dy < sy; ++dy)
              for (int dx = 0; dx < sx; ++dx)
                sum += level[(std::size_t(y * sy + dy) * std::size_t(w) + std::size_t(x * sx + dx)) * 3 + std::size_t(c)];
            next[(std::size_t(y) * std::size_t(nw) + std::size_t(x)) * 3 + std::size_t(c)] = sum * weight;
          }
      glTexImage2D(GL_TEXTURE_2D, lod, GL_RGB16F, nw, nh, 0, GL_RGB, GL_FLOAT, next.data());
      level.swap(next);
      w = nw;
      h = nh;
    }
    environment_.lods = std::max(0.0f, std::log2(float(std::max(environment.width, environment.height))) - 2.0f);
  } else {
    const float black[3] = {0, 0, 0};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB16F, 1, 1, 0, GL_RGB, GL_FLOAT, black);
    environment_.lods = 0;
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

Renderer::~Renderer() = default;

std::size_t Renderer::upload(const RenderMesh& mesh, Culling culling) {
  std::vector<std::vector<std::uint32_t>> groups;
  groups.reserve(mesh.groups.size());
  for (const auto& group : mesh.groups) groups.push_back(group.indices);
  meshes_.push_back(DeviceMesh::upload(mesh.positions, mesh.normals, {}, groups));
  meshes_.back().culling = culling;
  return meshes_.size() - 1;
}

void Renderer::placeOccluders(std::span<const Occluding> objects, const Matrix4& placement, const Bounds& placed) {
  occlusion_.reset();
  occluders_ = objects;
  placement_ = placement;
  placed_ = placed;
}

std::vector<std::uint8_t> Renderer::shade(std::size_t slot, const RenderMesh& mesh) {
  if (!occlusion_) occlusion_ = std::make_unique<OcclusionMaps>(occluders_, placement_, placed_);
  std::vector<std::uint8_t> open = occlusion_->shade(mesh);
  setOcclusion(slot, open);
  return open;
}

void Renderer::setOcclusion(std::size_t slot, std::span<const std::uint8_t> occlusion) {
  if (slot < meshes_.size()) meshes_[slot].setOcclusion(occlusion);
}

void Renderer::setReference(const ReferenceNode& reference, const Image* rulerScale) {
  reference_ = DeviceMesh{};
  hasReference_ = false;
  ReferenceMesh geometry;
  switch (reference.kind) {
    case ScaleReference::none: return;
    case ScaleReference::disc: geometry = ReferenceMesh::cylinder(12, 1.75f, 72); break;
    case ScaleReference::ruler: geometry = ReferenceMesh::chamferedBox(reference.size.x, reference.size.y, reference.size.z, 0.4f); break;
  }
  std::vector<std::vector<std::uint32_t>> groups;
  for (const auto& part : geometry.parts) groups.push_back(part.indices);
  reference_ = DeviceMesh::upload(geometry.positions, geometry.normals, geometry.uvs, groups);
  for (const auto& part : geometry.parts) reference_.materials.push_back(part.material);
  reference_.culling = Culling::back;
  hasReference_ = true;
  if (rulerScale && rulerScale->width > 0) {
    if (!ruler_) ruler_ = Texture::make();
    glBindTexture(GL_TEXTURE_2D, ruler_.get());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_SRGB8_ALPHA8, rulerScale->width, rulerScale->height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 rulerScale->pixels.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    if (anisotropy_ > 1) glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, anisotropy_);
  }
}

Frame Renderer::frame(const StudioScene& scene, std::span<const MeshChoice> chosen, int width, int height) const {
  Frame frame;
  const Matrix4 turntable = rotation(scene.turntable);
  // Scaling the turntable's content about its origin scales the model's offset with it.
  const float k = scene.unitScale;
  Matrix4 placed = scene.modelTransform;
  for (int row = 0; row < 3; ++row) placed(row, 3) *= k;
  frame.model = turntable * placed;
  frame.referenceModel = turntable * translation(scene.reference.position * k);
  frame.unitScale = k;
  for (std::size_t i = 0; i < scene.objects.size() && i < chosen.size(); ++i) {
    const MeshChoice& slots = chosen[i];
    if (slots.surface < meshes_.size() && slots.shadow < meshes_.size())
      frame.objects.push_back({&meshes_[slots.surface], &scene.objects[i].materials, &meshes_[slots.shadow]});
  }
  if (hasReference_) frame.reference = DrawnMesh{&reference_, &scene.reference.materials};
  const CameraNode& camera = scene.camera;
  frame.camera = &camera;
  frame.view = lookAt(camera.position, camera.target);
  frame.viewProjection = perspective(camera.fovY, float(width) / float(height), camera.zNear, camera.zFar) * frame.view;
  frame.width = width;
  frame.height = height;
  return frame;
}

std::optional<Image> Renderer::draw(const StudioScene& scene, std::span<const MeshChoice> chosen, SweepExtent sweep,
                                    int width, int height, RenderTimings* timings) {
  if (width <= 0 || height <= 0 || !targets_.ensure(width, height, samples_)) return std::nullopt;
  Stopwatch clock(timings);
  const LightRig& rig = scene.rig;
  const Frame frame = this->frame(scene, chosen, width, height);
  const KeyShadow shadow = KeyShadow::of(rig.key, sweep.extent(), shadowMapSize(std::max(rig.key.shadowMapSize, 256)));

  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glDisable(GL_BLEND);
  shadow_.draw(shadow, frame);
  const bool floorShown = !rig.floor.hidden && shadow.on;
  if (floorShown) floor_.drawMask(rig.floor, rig.key, sweep, shadow, shadow_.map(), frame, fullScreen_.get());
  clock.lap(&RenderTimings::shadow);

  surfaces_.drawAttributes(frame, targets_, ruler_.get());
  surfaces_.light(frame, targets_, rig, shadow, shadow_.map(), environment_, fullScreen_.get());
  surfaces_.place(frame, targets_);
  // Seen from above, every surface lies in front of the floor, so the floor's shadow can go under
  // the resolved picture, one sample a pixel; from below it is drawn into the multisampled picture
  // against the surfaces' depth.
  const bool floorUnder = scene.camera.position.y > rig.floor.position.y;
  if (floorShown && !floorUnder) floor_.draw(rig, frame.viewProjection, false);
  glBindVertexArray(0);
  clock.lap(&RenderTimings::colour);

  glBindFramebuffer(GL_FRAMEBUFFER, targets_.resolve());
  glViewport(0, 0, width, height);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  resolve_.use();
  glActiveTexture(GL_TEXTURE0 + litUnit);
  glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, targets_.multisampleTexture());
  glUniform1i(resolve_.location("uPicture"), litUnit);
  glUniform1i(resolve_.location("uSamples"), samples_);
  glBindVertexArray(fullScreen_.get());
  glDrawArrays(GL_TRIANGLES, 0, 3);
  glBindVertexArray(0);
  clock.lap(&RenderTimings::resolve);
  if (floorShown && floorUnder) {
    glBindFramebuffer(GL_FRAMEBUFFER, targets_.resolve());
    floor_.draw(rig, frame.viewProjection, true);
    clock.lap(&RenderTimings::colour);
  }

  Image picture = targets_.readBack();
  // Framing fits the model to the picture, so a model that covers no sample was lost on the way
  // (clipped, or beyond float precision) and the picture would be blank. Only in a picture of a
  // few pixels can a thin or hollow model fall between the samples.
  const bool lost = !frame.objects.empty() && std::min(width, height) >= 16 && !surfaces_.modelCovered();
  const bool failed = glGetError() != GL_NO_ERROR || lost;
  clock.lap(&RenderTimings::readBack);
  if (failed) return std::nullopt;
  return picture;
}

}  // namespace vantorel::gl
