#pragma once
// A mesh on the device: its vertex streams, its index groups (one per material) and which faces
// it may skip. Needs the studio's context current, as do its handles when they go.
#include "studio/gl/gl_handle.h"
#include "studio/studio_scene.h"

#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace vantorel::gl {

/// Which faces a mesh may skip: closed, consistently wound meshes never show their inside.
enum class Culling { none, back, front };

struct DeviceMesh {
  VertexArray vao;
  std::array<Buffer, 5> buffers;  // positions, normals, texture coordinates, indices, occlusion
  std::vector<std::pair<std::size_t, std::size_t>> groups;  // (first index, count)
  std::vector<std::size_t> materials;                       // reference parts: material per group
  Culling culling = Culling::none;

  /// Uploads the streams (`uvs` may be empty) and the groups' indices one after the other. Every
  /// vertex is fully open until `setOcclusion` gives the mesh its occlusion.
  static DeviceMesh upload(std::span<const Float3> positions, std::span<const Float3> normals, std::span<const float> uvs,
                           const std::vector<std::vector<std::uint32_t>>& groups);
  /// The share of its surroundings each vertex sees, 0 (none) … 255 (all), one per position.
  void setOcclusion(std::span<const std::uint8_t> occlusion);
  /// Sets the culling and binds the streams for the draws that follow.
  void bind() const;
  void drawGroup(std::size_t g) const;
  /// Binds and draws every group, as the depth-only pass wants.
  void drawAll() const;
  /// The material of group `g` from `materials`, or nothing when it has none.
  const SurfaceMaterial* material(std::size_t g, const std::vector<SurfaceMaterial>& materials) const;
};

}  // namespace vantorel::gl
