#include "studio/gl/ambient_occlusion.h"

#include "studio/gl/program.h"
#include "studio/gl/shaders.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace vantorel::gl {
namespace {

// Directions spread evenly over the sphere: the cosine lobe of any normal holds about half of
// them, so a vertex's occlusion moves in steps of a thirtieth or finer as a direction opens.
constexpr int kDirections = 64;
constexpr int kColumns = 8;
// Texels across each direction's map of the model's bounding sphere: crevices down to about 1 %
// of the model's size darken, and the maps stay small to draw and to read back.
constexpr int kMapSize = 256;
// The studio's light comes mostly from above (the softboxes, the bright strip, the lit sweep), so
// a direction counts by 1 + kUpward · its height as well as by its cosine to the normal.
constexpr float kUpward = 0.5f;
// The floor hides a downward direction fully where the model stands on it and not at all
// kFloorReach × the model's radius away: beyond that the floor is the lit sweep the light of the
// lower half of the environment stands for.
constexpr float kFloorReach = 0.35f;

// An object denser than this occludes through a coarser copy: every triangle is drawn once for
// each direction, which on the software rasteriser is most of the bake's time, and the copy's
// distance from the surface (a few texels at most) is allowed for where the maps are read.
constexpr std::size_t kOccluderTriangles = 3'000;

Float3 rotated(const Matrix4& m, Float3 v) {
  return {m(0, 0) * v.x + m(0, 1) * v.y + m(0, 2) * v.z, m(1, 0) * v.x + m(1, 1) * v.y + m(1, 2) * v.z,
          m(2, 0) * v.x + m(2, 1) * v.y + m(2, 2) * v.z};
}

// One object's occluding form on the device. Closed objects show the same nearest surface from
// both sides, so none is culled.
struct Occluder {
  VertexArray vao;
  Buffer positions, indices;
  GLsizei count = 0;

  explicit Occluder(const Occluding& form) {
    if (form.indices.size() < 3 || form.points.empty()) return;
    vao = VertexArray::make();
    positions = Buffer::make();
    indices = Buffer::make();
    glBindVertexArray(vao.get());
    glBindBuffer(GL_ARRAY_BUFFER, positions.get());
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(form.points.size() * sizeof(Float3)), form.points.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Float3), nullptr);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices.get());
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(form.indices.size() * sizeof(std::uint32_t)), form.indices.data(),
                 GL_STATIC_DRAW);
    glBindVertexArray(0);
    count = GLsizei(form.indices.size() - form.indices.size() % 3);
  }

  void draw(GLsizei instances) const {
    if (count == 0) return;
    glBindVertexArray(vao.get());
    glDrawElementsInstanced(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr, instances);
  }
};

}  // namespace

Occluding occluderOf(const ModelObject& object) {
  Occluding form;
  const std::size_t total = object.indices.size() - object.indices.size() % 3;
  if (total == 0 || object.positions.empty()) return form;
  std::vector<std::uint32_t> all(object.indices.begin(), object.indices.begin() + std::ptrdiff_t(total));
  std::size_t kept = total;
  if (total / 3 > kOccluderTriangles) {
    kept = meshopt_simplifySloppy(all.data(), object.indices.data(), total, &object.positions[0].x,
                                  object.positions.size(), sizeof(Float3), kOccluderTriangles * 3, 1.0f, &form.error);
  }
  // The copy's own few points, in the order it uses them, keep the vertex fetches close together.
  std::vector<std::uint32_t> remap(object.positions.size(), ~0u);
  form.indices.resize(kept);
  for (std::size_t i = 0; i < kept; ++i) {
    if (all[i] >= object.positions.size()) return {};
    std::uint32_t& slot = remap[all[i]];
    if (slot == ~0u) slot = std::uint32_t(form.points.size()), form.points.push_back(object.positions[all[i]]);
    form.indices[i] = slot;
  }
  return form;
}

OcclusionMaps::OcclusionMaps(std::span<const Occluding> objects, const Matrix4& placement, const Bounds& placed)
    : placement_(placement) {
  if (objects.empty() || placed.isEmpty()) return;
  centre_ = (placed.min + placed.max) * 0.5f;
  radius_ = 0.5f * length(placed.max - placed.min) * 1.02f;
  if (!(radius_ > 0) || !std::isfinite(radius_)) return;

  const int rows = (kDirections + kColumns - 1) / kColumns;
  const int atlasWidth = kColumns * kMapSize, atlasHeight = rows * kMapSize;
  GLint largest = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  if (largest < std::max(atlasWidth, atlasHeight)) return;
  atlasWidth_ = atlasWidth;

  // Fibonacci spiral: even spacing without a preferred azimuth.
  directions_.resize(kDirections);
  const float golden = std::numbers::pi_v<float> * (3 - std::sqrt(5.0f));
  for (int k = 0; k < kDirections; ++k) {
    const float y = 1 - (2 * float(k) + 1) / float(kDirections);
    const float across = std::sqrt(std::max(0.0f, 1 - y * y));
    const Float3 d{across * std::cos(golden * float(k)), y, across * std::sin(golden * float(k))};
    const Float3 right = normalize(cross(std::abs(d.y) < 0.9f ? Float3{0, 1, 0} : Float3{1, 0, 0}, d));
    const Float3 up = cross(d, right);
    const std::size_t origin = std::size_t(k / kColumns) * kMapSize * std::size_t(atlasWidth) + std::size_t(k % kColumns) * kMapSize;
    directions_[std::size_t(k)] = {d, right * (1 / radius_), up * (1 / radius_), d * (1 / radius_), 1 + kUpward * d.y, origin};
  }

  while (glGetError() != GL_NO_ERROR) continue;  // an earlier call's error is not the bake's
  const std::string prefix =
      "#version 410 core\n#define DIRECTIONS " + std::to_string(kDirections) + "\n#define COLUMNS " + std::to_string(kColumns) + "\n";
  Program program({prefix.c_str(), shaders::occlusionVertex}, {shaders::occlusionFragment});
  std::vector<Occluder> occluders;
  occluders.reserve(objects.size());
  for (const Occluding& form : objects) {
    occluders.emplace_back(form);
    coarse_ = std::max(coarse_, 2 * form.error);
  }
  Texture atlas = Texture::make();
  glBindTexture(GL_TEXTURE_2D, atlas.get());
  // Sixteen bits resolve a sixty-five-thousandth of the sphere, far finer than a texel, at half
  // the memory of floats: fresh memory is slow to touch, and the maps are kept for later forms.
  glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT16, atlasWidth, atlasHeight, 0, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  Framebuffer framebuffer = Framebuffer::make();
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer.get());
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, atlas.get(), 0);
  glDrawBuffer(GL_NONE);
  glReadBuffer(GL_NONE);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  std::vector<std::uint16_t> depth;
  if (complete) {
    glViewport(0, 0, atlasWidth, atlasHeight);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glDisable(GL_CULL_FACE);
    glClearDepth(1);
    glClear(GL_DEPTH_BUFFER_BIT);
    program.use();
    std::vector<Float3> axes(3 * std::size_t(kDirections));
    for (std::size_t k = 0; k < directions_.size(); ++k) {
      axes[k] = directions_[k].right;
      axes[directions_.size() + k] = directions_[k].up;
      axes[2 * directions_.size() + k] = directions_[k].towards;
    }
    glUniformMatrix4fv(program.location("uPlacement"), 1, GL_FALSE, placement.m.data());
    glUniform3f(program.location("uCentre"), centre_.x, centre_.y, centre_.z);
    glUniform3fv(program.location("uRight"), kDirections, &axes[0].x);
    glUniform3fv(program.location("uUp"), kDirections, &axes[directions_.size()].x);
    glUniform3fv(program.location("uTowards"), kDirections, &axes[2 * directions_.size()].x);
    glUniform2f(program.location("uTile"), 1.0f / float(kColumns), 1.0f / float(rows));
    // One instance a direction, in one draw an object: each draw is costly on the software rasteriser.
    for (GLenum plane = GL_CLIP_DISTANCE0; plane <= GL_CLIP_DISTANCE3; ++plane) glEnable(plane);
    for (const Occluder& occluder : occluders) occluder.draw(kDirections);
    for (GLenum plane = GL_CLIP_DISTANCE0; plane <= GL_CLIP_DISTANCE3; ++plane) glDisable(plane);
    glBindVertexArray(0);
    depth.resize(std::size_t(atlasWidth) * std::size_t(atlasHeight));
    glPixelStorei(GL_PACK_ALIGNMENT, 2);
    glReadPixels(0, 0, atlasWidth, atlasHeight, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, depth.data());
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (!complete || glGetError() != GL_NO_ERROR) return;
  depth_ = std::move(depth);
}

std::vector<std::uint8_t> OcclusionMaps::shade(const RenderMesh& mesh) const {
  std::vector<std::uint8_t> open(mesh.positions.size(), 255);
  if (depth_.empty()) return open;
  // Each vertex looks along every direction in its normal's half: from just off the surface, a
  // direction is blocked where the map holds a surface nearer the viewer, else (downwards) by the
  // floor, fully at the model's foot and fading with the distance to it.
  // A coarser copy's surface may stand off the mesh's by its error (relative to its extent, at most
  // the sphere's diameter), so the look starts and tests that much further out.
  const float texel = 2.0f / float(kMapSize);  // in the maps' units, where the sphere's radius is 1
  const float lift = (1.5f * texel + coarse_) * radius_;  // mm off the surface
  const float bias = 2 * texel + coarse_;
  const float reach = kFloorReach * radius_;
  const std::size_t count = std::min(mesh.positions.size(), mesh.normals.size());
  const auto look = [&](std::size_t first, std::size_t last) {
    for (std::size_t v = first; v < last; ++v) {
      const Float3 world = transformPoint(placement_, mesh.positions[v]);
      const Float3 n = rotated(placement_, mesh.normals[v]);
      const Float3 p = world + n * lift - centre_;
      float seen = 0, total = 0;
      for (const Direction& d : directions_) {
        const float facing = dot(n, d.unit);
        if (facing <= 0) continue;
        const float weight = facing * d.weight;
        total += weight;
        const float x = dot(p, d.right), y = dot(p, d.up), height = dot(p, d.towards);
        const int tx = std::clamp(int((x * 0.5f + 0.5f) * float(kMapSize)), 0, kMapSize - 1);
        const int ty = std::clamp(int((y * 0.5f + 0.5f) * float(kMapSize)), 0, kMapSize - 1);
        const float nearest = 1 - (2.0f / 65535) * float(depth_[d.origin + std::size_t(ty) * std::size_t(atlasWidth_) + std::size_t(tx)]);
        if (nearest > height + bias) continue;
        float blocked = 0;
        if (d.unit.y < 0) blocked = std::max(0.0f, 1 - std::max(0.0f, world.y) / (-d.unit.y * reach));
        seen += weight * (1 - blocked);
      }
      if (total > 0) open[v] = std::uint8_t(std::lround(255 * std::clamp(seen / total, 0.0f, 1.0f)));
    }
  };
  // Large meshes share the vertices out over the processor's cores.
  const std::size_t parts = count < 20'000 ? 1 : std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
  std::vector<std::thread> helpers;
  std::size_t done = 0;
  try {
    for (std::size_t i = 1; i < parts; ++i) {
      const std::size_t first = count * (i - 1) / parts, last = count * i / parts;
      helpers.emplace_back(look, first, last);
      done = last;
    }
  } catch (const std::system_error&) {
    // No more threads to be had: this one does the rest.
  }
  look(done, count);
  for (std::thread& helper : helpers) helper.join();
  return open;
}

}  // namespace vantorel::gl
