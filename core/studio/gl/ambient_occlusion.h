#pragma once
// How much of its surroundings each vertex of the model sees, baked once per placement. The model
// is rigid and the turntable only turns it about the vertical, so the shade of its crevices and of
// its foot near the floor never changes while it turns: the bake costs nothing per picture.
#include "staging/bounds.h"
#include "staging/matrix4.h"
#include "staging/render_mesh.h"
#include "studio/gl/device_mesh.h"

#include <span>

namespace vantorel::gl {

/// One mesh to bake: its drawn form, on this side (positions, normals) and on the device.
struct OccludedMesh {
  const RenderMesh* mesh;
  DeviceMesh* device;
};

/// Bakes every mesh's occlusion, the meshes occluding each other and the floor (y = 0 after
/// `placement`, a rigid transform whose result `placed` bounds), and gives each its stream.
/// Depth maps of the model from a few dozen directions, read back once; bounded by the meshes'
/// vertices times the directions. Needs the studio's context current; leaves the default
/// framebuffer bound. A mesh keeps no stream (every vertex fully open) when the device fails.
void bakeOcclusion(std::span<const OccludedMesh> meshes, const Matrix4& placement, const Bounds& placed);

}  // namespace vantorel::gl
