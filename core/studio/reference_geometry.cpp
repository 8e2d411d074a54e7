#include "studio/reference_geometry.h"

#include "base/vector_math.h"

#include <array>
#include <cmath>
#include <numbers>

namespace vantorel {
namespace {

void addQuad(ReferenceMesh& mesh, std::size_t part, std::array<Float3, 4> corners, Float3 normal,
             std::array<float, 8> uv = {}) {
  const auto base = std::uint32_t(mesh.positions.size());
  // Wind counter-clockwise seen from outside, whatever order the corners came in.
  if (dot(cross(corners[1] - corners[0], corners[2] - corners[0]), normal) < 0) {
    std::swap(corners[1], corners[3]);
    std::swap(uv[2], uv[6]);
    std::swap(uv[3], uv[7]);
  }
  for (int i = 0; i < 4; ++i) {
    mesh.positions.push_back(corners[std::size_t(i)]);
    mesh.normals.push_back(normal);
    mesh.uvs.push_back(uv[std::size_t(2 * i)]);
    mesh.uvs.push_back(uv[std::size_t(2 * i + 1)]);
  }
  auto& indices = mesh.parts[part].indices;
  indices.insert(indices.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
}

void addTriangle(ReferenceMesh& mesh, std::size_t part, std::array<Float3, 3> corners, Float3 normal) {
  const auto base = std::uint32_t(mesh.positions.size());
  if (dot(cross(corners[1] - corners[0], corners[2] - corners[0]), normal) < 0) std::swap(corners[1], corners[2]);
  for (const Float3& c : corners) {
    mesh.positions.push_back(c);
    mesh.normals.push_back(normal);
    mesh.uvs.push_back(0);
    mesh.uvs.push_back(0);
  }
  auto& indices = mesh.parts[part].indices;
  indices.insert(indices.end(), {base, base + 1, base + 2});
}

Float3 component(int axis, float value) {
  Float3 v;
  (axis == 0 ? v.x : axis == 1 ? v.y : v.z) = value;
  return v;
}

}  // namespace

ReferenceMesh ReferenceMesh::chamferedBox(float width, float height, float length, float chamfer) {
  ReferenceMesh mesh;
  mesh.parts = {{0, {}}, {1, {}}};
  const Float3 h{width / 2, height / 2, length / 2};
  const float half[3] = {h.x, h.y, h.z};
  const float c = std::fmin(chamfer, std::fmin(h.x, std::fmin(h.y, h.z)));
  auto point = [&](int a, float sa, int b, float sb, int d, float sd) {
    return component(a, sa) + component(b, sb) + component(d, sd);
  };
  // Six faces, each inset by the chamfer.
  for (int axis = 0; axis < 3; ++axis) {
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    for (float sign : {-1.0f, 1.0f}) {
      const float a = sign * half[axis];
      const float hu = half[u] - c, hv = half[v] - c;
      std::array<Float3, 4> corners{point(axis, a, u, -hu, v, -hv), point(axis, a, u, hu, v, -hv),
                                    point(axis, a, u, hu, v, hv), point(axis, a, u, -hu, v, hv)};
      const bool top = axis == 1 && sign > 0;
      std::array<float, 8> uv{};
      if (top) {
        for (int i = 0; i < 4; ++i) {
          const float hx = half[0] - c, hz = half[2] - c;
          uv[std::size_t(2 * i)] = (corners[std::size_t(i)].x + hx) / (2 * hx);
          uv[std::size_t(2 * i + 1)] = (corners[std::size_t(i)].z + hz) / (2 * hz);
        }
      }
      addQuad(mesh, top ? 1 : 0, corners, component(axis, sign), uv);
    }
  }
  // Twelve bevels, one along each edge.
  for (int axis = 0; axis < 3; ++axis) {
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    for (float su : {-1.0f, 1.0f}) {
      for (float sv : {-1.0f, 1.0f}) {
        const float ha = half[axis] - c;
        std::array<Float3, 4> corners{point(axis, -ha, u, su * half[u], v, sv * (half[v] - c)),
                                      point(axis, ha, u, su * half[u], v, sv * (half[v] - c)),
                                      point(axis, ha, u, su * (half[u] - c), v, sv * half[v]),
                                      point(axis, -ha, u, su * (half[u] - c), v, sv * half[v])};
        addQuad(mesh, 0, corners, normalize(component(u, su) + component(v, sv)));
      }
    }
  }
  // Eight corner triangles.
  for (float sx : {-1.0f, 1.0f}) {
    for (float sy : {-1.0f, 1.0f}) {
      for (float sz : {-1.0f, 1.0f}) {
        addTriangle(mesh, 0,
                    {Float3{sx * h.x, sy * (h.y - c), sz * (h.z - c)}, Float3{sx * (h.x - c), sy * h.y, sz * (h.z - c)},
                     Float3{sx * (h.x - c), sy * (h.y - c), sz * h.z}},
                    normalize(Float3{sx, sy, sz}));
      }
    }
  }
  return mesh;
}

ReferenceMesh ReferenceMesh::cylinder(float radius, float height, int segments) {
  ReferenceMesh mesh;
  mesh.parts = {{0, {}}};
  auto& indices = mesh.parts[0].indices;
  const float y0 = -height / 2, y1 = height / 2;
  auto push = [&](Float3 p, Float3 n) {
    mesh.positions.push_back(p);
    mesh.normals.push_back(n);
    mesh.uvs.push_back(0);
    mesh.uvs.push_back(0);
    return std::uint32_t(mesh.positions.size() - 1);
  };
  // Smooth side.
  const auto sideBase = std::uint32_t(mesh.positions.size());
  for (int i = 0; i <= segments; ++i) {
    const float t = 2 * std::numbers::pi_v<float> * float(i) / float(segments);
    const Float3 n{std::cos(t), 0, -std::sin(t)};
    push({radius * n.x, y0, radius * n.z}, n);
    push({radius * n.x, y1, radius * n.z}, n);
  }
  for (int i = 0; i < segments; ++i) {
    const std::uint32_t a = sideBase + std::uint32_t(2 * i);
    indices.insert(indices.end(), {a, a + 2, a + 1, a + 1, a + 2, a + 3});
  }
  // Flat caps.
  for (float sign : {-1.0f, 1.0f}) {
    const Float3 n{0, sign, 0};
    const std::uint32_t centre = push({0, sign * height / 2, 0}, n);
    const auto ringBase = std::uint32_t(mesh.positions.size());
    for (int i = 0; i < segments; ++i) {
      const float t = 2 * std::numbers::pi_v<float> * float(i) / float(segments);
      push({radius * std::cos(t), sign * height / 2, -radius * std::sin(t)}, n);
    }
    for (int i = 0; i < segments; ++i) {
      const std::uint32_t a = ringBase + std::uint32_t(i), b = ringBase + std::uint32_t((i + 1) % segments);
      if (sign > 0) indices.insert(indices.end(), {centre, a, b});
      else indices.insert(indices.end(), {centre, b, a});
    }
  }
  return mesh;
}

}  // namespace vantorel
