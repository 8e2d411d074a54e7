#pragma once
// What one picture draws and from where, as every pass sees it, and the texture units they share.
#include "studio/gl/device_mesh.h"
#include "studio/studio_scene.h"

#include <optional>
#include <vector>

namespace vantorel::gl {

/// A mesh on the device with the materials of its groups.
struct DrawnMesh {
  const DeviceMesh* mesh;
  const std::vector<SurfaceMaterial>* materials;
  /// What casts its shadows: the same mesh, or a coarser copy where the shadow's blur hides the difference.
  const DeviceMesh* caster = nullptr;
  const DeviceMesh& shadowCaster() const { return caster ? *caster : *mesh; }
};

struct Frame {
  std::vector<DrawnMesh> objects;  ///< the model's, all under `model`
  Matrix4 model;
  std::optional<DrawnMesh> reference;  ///< under `referenceModel`, when there is one
  Matrix4 referenceModel;
  /// Scene units per mm: the meshes' positions are scaled by it before `model` or
  /// `referenceModel`, which stay rigid so that they turn normals unchanged.
  float unitScale = 1;
  const CameraNode* camera = nullptr;
  Matrix4 view, viewProjection;
  int width = 0, height = 0;
};

/// Texture units, fixed for all programs so a texture bound for one pass serves the next.
enum TextureUnit { albedoUnit = 0, environmentUnit = 1, shadowUnit = 2, attributesUnit = 3, litUnit = 4 };

}  // namespace vantorel::gl
