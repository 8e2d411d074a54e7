#include "studio/gl/device_mesh.h"

namespace vantorel::gl {
namespace {

void applyCulling(Culling culling) {
  switch (culling) {
    case Culling::none: glDisable(GL_CULL_FACE); break;
    case Culling::back: glEnable(GL_CULL_FACE), glCullFace(GL_BACK); break;
    case Culling::front: glEnable(GL_CULL_FACE), glCullFace(GL_FRONT); break;
  }
}

}  // namespace

DeviceMesh DeviceMesh::upload(std::span<const Float3> positions, std::span<const Float3> normals,
                              std::span<const float> uvs, const std::vector<std::vector<std::uint32_t>>& groups) {
  DeviceMesh mesh;
  mesh.vao = VertexArray::make();
  for (std::size_t i = 0; i < 4; ++i) mesh.buffers[i] = Buffer::make();
  glBindVertexArray(mesh.vao.get());
  glBindBuffer(GL_ARRAY_BUFFER, mesh.buffers[0].get());
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(positions.size_bytes()), positions.data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Float3), nullptr);
  glBindBuffer(GL_ARRAY_BUFFER, mesh.buffers[1].get());
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(normals.size_bytes()), normals.data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(Float3), nullptr);
  if (!uvs.empty()) {
    glBindBuffer(GL_ARRAY_BUFFER, mesh.buffers[2].get());
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(uvs.size_bytes()), uvs.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, 2 * sizeof(float), nullptr);
  } else {
    glDisableVertexAttribArray(2);
    glVertexAttrib2f(2, 0, 0);
  }
  // A stream left off reads the context's current value, which nothing else sets: fully open.
  glDisableVertexAttribArray(3);
  glVertexAttrib1f(3, 1);
  std::size_t total = 0;
  for (const auto& g : groups) total += g.size();
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.buffers[3].get());
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(total * sizeof(std::uint32_t)), nullptr, GL_STATIC_DRAW);
  std::size_t first = 0;
  for (const auto& g : groups) {
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, GLintptr(first * sizeof(std::uint32_t)),
                    GLsizeiptr(g.size() * sizeof(std::uint32_t)), g.data());
    mesh.groups.emplace_back(first, g.size());
    first += g.size();
  }
  glBindVertexArray(0);
  return mesh;
}

void DeviceMesh::setOcclusion(std::span<const std::uint8_t> occlusion) {
  glBindVertexArray(vao.get());
  if (!buffers[4]) buffers[4] = Buffer::make();
  glBindBuffer(GL_ARRAY_BUFFER, buffers[4].get());
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(occlusion.size_bytes()), occlusion.data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(3);
  glVertexAttribPointer(3, 1, GL_UNSIGNED_BYTE, GL_TRUE, 1, nullptr);
  glBindVertexArray(0);
}

void DeviceMesh::bind() const {
  applyCulling(culling);
  glBindVertexArray(vao.get());
}

void DeviceMesh::drawGroup(std::size_t g) const {
  glDrawElements(GL_TRIANGLES, GLsizei(groups[g].second), GL_UNSIGNED_INT,
                 reinterpret_cast<const void*>(groups[g].first * sizeof(std::uint32_t)));
}

void DeviceMesh::drawAll() const {
  bind();
  for (std::size_t g = 0; g < groups.size(); ++g) drawGroup(g);
}

const SurfaceMaterial* DeviceMesh::material(std::size_t g, const std::vector<SurfaceMaterial>& materials) const {
  const std::size_t which = g < this->materials.size() ? this->materials[g] : g;
  return which < materials.size() ? &materials[which] : nullptr;
}

}  // namespace vantorel::gl
