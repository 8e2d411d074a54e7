#include "studio/gl/renderer.h"

#include "studio/gl/program.h"
#include "studio/gl/shaders.h"
#include "studio/reference_geometry.h"
#include "studio/transforms.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>

namespace vantorel::gl {
namespace {

// Lights are given in lumen-like units with 1000 as the reference level; this scale makes a
// swatch facing the soft-studio key read as the swatch after tone mapping.
constexpr float kLightUnit = 1.15f / 1000.0f;
constexpr float kExposure = 1.0f;
// The environment's share of the light next to the lamps: enough to fill shadows and give
// reflections, little enough that the key still models the form.
constexpr float kEnvironmentUnit = 0.6f;
// Shadow softness: world radius per unit of the preset's shadow radius, as a fraction of E.
constexpr float kSoftnessPerRadius = 0.0035f;
// The floor shadow's blur in texels of its mask, at most.
constexpr float kBlurTexels = 2.0f;

enum TextureUnit { albedoUnit = 0, environmentUnit = 1, shadowUnit = 2, attributesUnit = 3, litUnit = 4 };
// Attribute programs: hasLayerLines, hasAlbedoMap; lighting programs: hasShadow, hasClearCoat.
enum Feature : unsigned { hasLayerLines = 1, hasAlbedoMap = 2, hasShadow = 1, hasClearCoat = 2 };
constexpr std::size_t kFinishes = 16;  // the lighting program's table

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


Matrix4 quaternionMatrix(const Quaternion& q) { return rotation(q); }

// Bilinear lookups of the bound 2D texture, with `border` outside it.
void filterLinearWithBorder(const float (&border)[4]) {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
  glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
}

}  // namespace

Renderer::Renderer(std::span<const RenderMesh> meshes, std::span<const Culling> culling, bool software)
    : software_(software) {
  attributes(0);
  lighting(0);
  placement_ = std::make_unique<Program>(std::initializer_list<const char*>{shaders::surfaceVertex},
                                         std::initializer_list<const char*>{"#version 410 core\n", shaders::attributePacking,
                                                                            shaders::surfacePlacement});
  shadow_ = std::make_unique<Program>(std::initializer_list<const char*>{shaders::shadowVertex},
                                      std::initializer_list<const char*>{shaders::shadowFragment});
  floor_ = std::make_unique<Program>(std::initializer_list<const char*>{shaders::floorVertex},
                                     std::initializer_list<const char*>{shaders::floorFragment});
  mask_ = std::make_unique<Program>(std::initializer_list<const char*>{shaders::maskVertex},
                                    std::initializer_list<const char*>{shaders::maskFragmentHead, shaders::shadowSampling,
                                                                       shaders::maskFragment});
  blur_ = std::make_unique<Program>(std::initializer_list<const char*>{shaders::maskVertex},
                                    std::initializer_list<const char*>{shaders::blurFragment});
  glGenVertexArrays(1, &emptyVao_);
  for (std::size_t i = 0; i < meshes.size(); ++i) {
    const RenderMesh& mesh = meshes[i];
    std::vector<std::vector<std::uint32_t>> groups;
    for (const auto& group : mesh.groups) groups.push_back(group.indices);
    Mesh uploaded = upload(mesh.positions, mesh.normals, {}, groups);
    uploaded.culling = i < culling.size() ? culling[i] : Culling::none;
    meshes_.push_back(std::move(uploaded));
  }
  glGenVertexArrays(1, &floorVao_);
  glGenBuffers(1, &floorBuffer_);
  glBindVertexArray(floorVao_);
  glBindBuffer(GL_ARRAY_BUFFER, floorBuffer_);
  glBufferData(GL_ARRAY_BUFFER, 4 * sizeof(Float3), nullptr, GL_DYNAMIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Float3), nullptr);
  glBindVertexArray(0);

  GLint maxSamples = 4;
  glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
  samples_ = std::min(4, int(maxSamples));
  if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") || epoxy_gl_version() >= 46) {
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy_);
    anisotropy_ = std::min(anisotropy_, 8.0f);
  }
}

Renderer::~Renderer() {
  for (Mesh& mesh : meshes_) release(mesh);
  release(reference_);
  glDeleteVertexArrays(1, &floorVao_);
  glDeleteBuffers(1, &floorBuffer_);
  glDeleteTextures(1, &environment_);
  glDeleteTextures(1, &ruler_);
  glDeleteFramebuffers(2, maskFramebuffers_);
  glDeleteTextures(2, maskTextures_);
  glDeleteVertexArrays(1, &emptyVao_);
  glDeleteFramebuffers(1, &shadowFramebuffer_);
  glDeleteTextures(1, &shadowTexture_);
  glDeleteFramebuffers(1, &multisampleFramebuffer_);
  glDeleteRenderbuffers(1, &colourBuffer_);
  glDeleteRenderbuffers(1, &depthBuffer_);
  glDeleteFramebuffers(1, &resolveFramebuffer_);
  glDeleteRenderbuffers(1, &resolveBuffer_);
  glDeleteFramebuffers(1, &attributesFramebuffer_);
  glDeleteTextures(1, &attributeTexture_);
  glDeleteRenderbuffers(1, &attributeDepth_);
  glDeleteFramebuffers(1, &litFramebuffer_);
  glDeleteTextures(1, &litTexture_);
}

Renderer::Mesh Renderer::upload(std::span<const Float3> positions, std::span<const Float3> normals,
                                std::span<const float> uvs, const std::vector<std::vector<std::uint32_t>>& groups) {
  Mesh mesh;
  glGenVertexArrays(1, &mesh.vao);
  glGenBuffers(4, mesh.buffers);
  glBindVertexArray(mesh.vao);
  glBindBuffer(GL_ARRAY_BUFFER, mesh.buffers[0]);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(positions.size_bytes()), positions.data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Float3), nullptr);
  glBindBuffer(GL_ARRAY_BUFFER, mesh.buffers[1]);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(normals.size_bytes()), normals.data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(Float3), nullptr);
  if (!uvs.empty()) {
    glBindBuffer(GL_ARRAY_BUFFER, mesh.buffers[2]);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(uvs.size_bytes()), uvs.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, 2 * sizeof(float), nullptr);
  } else {
    glDisableVertexAttribArray(2);
    glVertexAttrib2f(2, 0, 0);
  }
  std::size_t total = 0;
  for (const auto& g : groups) total += g.size();
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.buffers[3]);
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

void Renderer::release(Mesh& mesh) {
  if (mesh.vao) glDeleteVertexArrays(1, &mesh.vao);
  glDeleteBuffers(4, mesh.buffers);
  mesh = Mesh{};
}

int Renderer::shadowMapSize(int requested) const {
  GLint largest = 4096;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  return std::min(software_ ? requested / 4 : requested, int(largest));
}

void Renderer::setEnvironment(const EnvironmentLight& environment) {
  irradiance_ = environment.irradiance;
  if (!environment_) glGenTextures(1, &environment_);
  glBindTexture(GL_TEXTURE_2D, environment_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (environment.width > 0 && environment.height > 0) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB16F, environment.width, environment.height, 0, GL_RGB, GL_FLOAT,
                 environment.radiance.data());
    environmentLods_ = std::max(0.0f, std::log2(float(std::max(environment.width, environment.height))) - 2.0f);
  } else {
    const float black[3] = {0, 0, 0};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB16F, 1, 1, 0, GL_RGB, GL_FLOAT, black);
    environmentLods_ = 0;
  }
  glGenerateMipmap(GL_TEXTURE_2D);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void Renderer::setReference(const ReferenceNode& reference, const Image* rulerScale) {
  release(reference_);
  hasReference_ = false;
  ReferenceMesh geometry;
  switch (reference.kind) {
    case ScaleReference::none: return;
    case ScaleReference::disc: geometry = ReferenceMesh::cylinder(12, 1.75f, 72); break;
    case ScaleReference::ruler: geometry = ReferenceMesh::chamferedBox(reference.size.x, reference.size.y, reference.size.z, 0.4f); break;
  }
  std::vector<std::vector<std::uint32_t>> groups;
  for (const auto& part : geometry.parts) groups.push_back(part.indices);
  reference_ = upload(geometry.positions, geometry.normals, geometry.uvs, groups);
  for (const auto& part : geometry.parts) reference_.materials.push_back(part.material);
  reference_.culling = Culling::back;
  hasReference_ = true;
  if (rulerScale && rulerScale->width > 0) {
    if (!ruler_) glGenTextures(1, &ruler_);
    glBindTexture(GL_TEXTURE_2D, ruler_);
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

bool Renderer::ensureTargets(int width, int height) {
  if (width == targetWidth_ && height == targetHeight_ && multisampleFramebuffer_) return true;
  GLint largest = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
  if (width > largest || height > largest) return false;
  if (!multisampleFramebuffer_) {
    glGenFramebuffers(1, &multisampleFramebuffer_);
    glGenRenderbuffers(1, &colourBuffer_);
    glGenRenderbuffers(1, &depthBuffer_);
    glGenFramebuffers(1, &resolveFramebuffer_);
    glGenRenderbuffers(1, &resolveBuffer_);
    glGenFramebuffers(1, &attributesFramebuffer_);
    glGenTextures(1, &attributeTexture_);
    glGenRenderbuffers(1, &attributeDepth_);
    glGenFramebuffers(1, &litFramebuffer_);
    glGenTextures(1, &litTexture_);
  }
  glBindRenderbuffer(GL_RENDERBUFFER, colourBuffer_);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples_, GL_RGBA8, width, height);
  glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples_, GL_DEPTH_COMPONENT24, width, height);
  glBindFramebuffer(GL_FRAMEBUFFER, multisampleFramebuffer_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colourBuffer_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
  const bool multisampleOK = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindRenderbuffer(GL_RENDERBUFFER, resolveBuffer_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glBindFramebuffer(GL_FRAMEBUFFER, resolveFramebuffer_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolveBuffer_);
  const bool resolveOK = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;

  // Read texel by texel, except that the lit pixels' neighbours are averaged by bilinear lookups.
  const auto pixelTexture = [&](GLuint texture, GLenum format, GLenum components, GLenum type, GLint filter) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, components, type, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  };
  pixelTexture(attributeTexture_, GL_RGBA32UI, GL_RGBA_INTEGER, GL_UNSIGNED_INT, GL_NEAREST);
  pixelTexture(litTexture_, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, GL_LINEAR);
  glBindRenderbuffer(GL_RENDERBUFFER, attributeDepth_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
  glBindFramebuffer(GL_FRAMEBUFFER, attributesFramebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, attributeTexture_, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, attributeDepth_);
  const bool attributesOK = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, litFramebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, litTexture_, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, attributeDepth_);
  const bool litOK = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (!multisampleOK || !resolveOK || !attributesOK || !litOK || glGetError() != GL_NO_ERROR) {
    targetWidth_ = targetHeight_ = 0;
    return false;
  }
  targetWidth_ = width;
  targetHeight_ = height;
  return true;
}

void Renderer::ensureShadowMap(int size) {
  if (size == shadowSize_ && shadowFramebuffer_) return;
  if (!shadowFramebuffer_) {
    glGenFramebuffers(1, &shadowFramebuffer_);
    glGenTextures(1, &shadowTexture_);
  }
  glBindTexture(GL_TEXTURE_2D, shadowTexture_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, size, size, 0, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, nullptr);
  const float far[4] = {1, 1, 1, 1};  // beyond the map nothing casts a shadow
  filterLinearWithBorder(far);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
  glBindFramebuffer(GL_FRAMEBUFFER, shadowFramebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, shadowTexture_, 0);
  glDrawBuffer(GL_NONE);
  glReadBuffer(GL_NONE);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  shadowSize_ = size;
}

void Renderer::ensureMask(int width, int height) {
  if (width == maskWidth_ && height == maskHeight_ && maskFramebuffers_[0]) return;
  if (!maskFramebuffers_[0]) {
    glGenFramebuffers(2, maskFramebuffers_);
    glGenTextures(2, maskTextures_);
  }
  for (int i = 0; i < 2; ++i) {
    glBindTexture(GL_TEXTURE_2D, maskTextures_[i]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, width, height, 0, GL_RED, GL_UNSIGNED_BYTE, nullptr);
    const float none[4] = {0, 0, 0, 0};  // outside the mask nothing is occluded
    filterLinearWithBorder(none);
    glBindFramebuffer(GL_FRAMEBUFFER, maskFramebuffers_[i]);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, maskTextures_[i], 0);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  maskWidth_ = width;
  maskHeight_ = height;
}

namespace {
void applyCulling(Culling culling) {
  switch (culling) {
    case Culling::none: glDisable(GL_CULL_FACE); break;
    case Culling::back: glEnable(GL_CULL_FACE), glCullFace(GL_BACK); break;
    case Culling::front: glEnable(GL_CULL_FACE), glCullFace(GL_FRONT); break;
  }
}
}  // namespace

namespace {
// The version line and a "#define NAME 1" line for each feature bit set, naming bit 1 then bit 2.
std::string featureLines(unsigned features, const char* bit1, const char* bit2) {
  std::string lines = "#version 410 core\n";
  if (features & 1u) lines += std::string("#define ") + bit1 + " 1\n";
  if (features & 2u) lines += std::string("#define ") + bit2 + " 1\n";
  return lines;
}
}  // namespace

Program& Renderer::attributes(unsigned features) {
  std::unique_ptr<Program>& program = attributes_[features & 3u];
  if (!program) {
    const std::string prefix = featureLines(features, "HAS_LAYER_LINES", "HAS_ALBEDO_MAP");
    program = std::make_unique<Program>(std::initializer_list<const char*>{shaders::surfaceVertex},
                                        std::initializer_list<const char*>{prefix.c_str(), shaders::attributePacking,
                                                                           shaders::toneMapping, shaders::surfaceAttributes});
  }
  return *program;
}

Program& Renderer::lighting(unsigned features) {
  std::unique_ptr<Program>& program = lighting_[features & 3u];
  if (!program) {
    // Six of the spiral's taps: enough once a pixel is lit only once.
    const std::string prefix = featureLines(features, "HAS_SHADOW", "HAS_CLEAR_COAT") + "#define SHADOW_TAPS 6\n";
    program = std::make_unique<Program>(std::initializer_list<const char*>{shaders::maskVertex},
                                        std::initializer_list<const char*>{prefix.c_str(), shaders::attributePacking,
                                                                           shaders::shadowSampling, shaders::toneMapping,
                                                                           shaders::surfaceLighting});
  }
  return *program;
}

void Renderer::drawDepth(const Mesh& mesh) {
  applyCulling(mesh.culling);
  glBindVertexArray(mesh.vao);
  for (const auto& [first, count] : mesh.groups)
    glDrawElements(GL_TRIANGLES, GLsizei(count), GL_UNSIGNED_INT, reinterpret_cast<const void*>(first * sizeof(std::uint32_t)));
}

const SurfaceMaterial* Renderer::material(const Mesh& mesh, std::size_t g, const std::vector<SurfaceMaterial>& materials) {
  const std::size_t which = g < mesh.materials.size() ? mesh.materials[g] : g;
  return which < materials.size() ? &materials[which] : nullptr;
}

void Renderer::drawAttributes(const Mesh& mesh, const std::vector<SurfaceMaterial>& materials,
                              const std::function<int(const SurfaceMaterial&)>& finish,
                              const std::function<void(Program&)>& prepare) {
  applyCulling(mesh.culling);
  glBindVertexArray(mesh.vao);
  Program* current = nullptr;
  for (std::size_t g = 0; g < mesh.groups.size(); ++g) {
    const SurfaceMaterial* m = material(mesh, g, materials);
    if (!m) continue;
    const unsigned features = (m->layerHeight ? hasLayerLines : 0u) | (m->rulerScale && ruler_ ? hasAlbedoMap : 0u);
    Program& program = attributes(features);
    if (&program != current) {
      program.use();
      prepare(program);
      current = &program;
    }
    glUniform3f(program.location("uSwatch"), float(m->color.r), float(m->color.g), float(m->color.b));
    glUniform1i(program.location("uFinish"), finish(*m));
    glUniform1f(program.location("uLayerHeight"), m->layerHeight.value_or(0.0f));
    glUniform1f(program.location("uLayerStrength"), m->layerStrength);
    glDrawElements(GL_TRIANGLES, GLsizei(mesh.groups[g].second), GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(mesh.groups[g].first * sizeof(std::uint32_t)));
  }
}

void Renderer::drawPlacement(const Mesh& mesh, const std::vector<SurfaceMaterial>& materials) {
  applyCulling(mesh.culling);
  glBindVertexArray(mesh.vao);
  for (std::size_t g = 0; g < mesh.groups.size(); ++g) {
    const SurfaceMaterial* m = material(mesh, g, materials);
    if (!m) continue;
    glUniform3f(placement_->location("uSwatch"), float(m->color.r), float(m->color.g), float(m->color.b));
    glDrawElements(GL_TRIANGLES, GLsizei(mesh.groups[g].second), GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(mesh.groups[g].first * sizeof(std::uint32_t)));
  }
}

std::optional<Image> Renderer::draw(const StudioScene& scene, SweepExtent sweep, int width, int height,
                                    RenderTimings* timings) {
  if (width <= 0 || height <= 0 || !ensureTargets(width, height)) return std::nullopt;
  Stopwatch clock(timings);
  const LightRig& rig = scene.rig;
  const float E = sweep.extent();
  const Matrix4 turntable = quaternionMatrix(scene.turntable);
  const Matrix4 modelMatrix = turntable * scene.modelTransform;
  const Matrix4 referenceMatrix = turntable * translation(scene.reference.position);

  // The key's orthographic shadow volume.
  const LightNode& key = rig.key;
  const bool shadows = key.castsShadow && key.orthographicScale > 0;
  const float S = std::max(key.orthographicScale, 1e-3f);
  const Matrix4 lightViewProjection =
      orthographic(S, S, key.shadowNear, std::max(key.shadowFar, key.shadowNear + 1)) * lookAt(key.position, Float3{});
  const int mapSize = shadowMapSize(std::max(key.shadowMapSize, 256));
  const float texelWorld = 2 * S / float(mapSize);
  const float depthPerMm = 1.0f / std::max(key.shadowFar - key.shadowNear, 1e-3f);
  const float softness = key.shadowRadius * kSoftnessPerRadius * E;

  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glDisable(GL_BLEND);
  if (shadows) {
    ensureShadowMap(mapSize);
    glBindFramebuffer(GL_FRAMEBUFFER, shadowFramebuffer_);
    glViewport(0, 0, mapSize, mapSize);
    glClear(GL_DEPTH_BUFFER_BIT);
    shadow_->use();
    glUniformMatrix4fv(shadow_->location("uLightViewProjection"), 1, GL_FALSE, lightViewProjection.m.data());
    glUniformMatrix4fv(shadow_->location("uModel"), 1, GL_FALSE, modelMatrix.m.data());
    for (const ObjectNode& object : scene.objects) {
      if (object.mesh < meshes_.size()) drawDepth(meshes_[object.mesh]);
    }
    if (hasReference_) {
      glUniformMatrix4fv(shadow_->location("uModel"), 1, GL_FALSE, referenceMatrix.m.data());
      drawDepth(reference_);
    }
  }

  // The floor's shadow mask, only where the key's shadow can fall: the sweep's circle and its
  // image cast along the key, widened by the blur, within the floor's square.
  const bool floorShown = !rig.floor.hidden && shadows;
  float x0 = 0, x1 = 0, z0 = 0, z1 = 0;
  if (floorShown) {
    const Float3 toKey = normalize(key.position);
    const float reach = sweep.height / std::max(toKey.y, 0.05f);
    const float r = sweep.radius + 3 * softness;
    const float cx = -toKey.x * reach, cz = -toKey.z * reach;
    const float half = rig.floor.side / 2;
    x0 = std::max(-half, std::min(-r, cx - r)), x1 = std::min(half, std::max(r, cx + r));
    z0 = std::max(-half, std::min(-r, cz - r)), z1 = std::min(half, std::max(r, cz + r));
    // Fine enough for the sharpest shadow, and no finer than the blur needs: a Gaussian of two
    // texels or more hides the texels, and each halving of the resolution quarters the work.
    const int longest = software_ ? 256 : 768;
    const float sigma = 0.6f * softness;  // the blur's standard deviation on the floor (mm)
    const float texel = std::max(std::max(x1 - x0, z1 - z0) / float(longest), sigma / kBlurTexels);
    const int mw = std::max(8, int(std::ceil((x1 - x0) / texel))), mh = std::max(8, int(std::ceil((z1 - z0) / texel)));
    ensureMask(mw, mh);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glBindVertexArray(emptyVao_);
    glViewport(0, 0, mw, mh);
    glActiveTexture(GL_TEXTURE0 + shadowUnit);
    glBindTexture(GL_TEXTURE_2D, shadowTexture_);
    Program& m = *mask_;
    m.use();
    glUniform1i(m.location("uShadowMap"), shadowUnit);
    glUniformMatrix4fv(m.location("uLightViewProjection"), 1, GL_FALSE, lightViewProjection.m.data());
    glUniform1i(m.location("uShadowOn"), 1);
    glUniform1f(m.location("uShadowRadius"), softness / (2 * S));
    glUniform4f(m.location("uMaskRect"), x0, z0, x1 - x0, z1 - z0);
    glUniform1f(m.location("uFloorHeight"), rig.floor.position.y);
    glUniform1f(m.location("uFloorBias"), key.shadowBias * texelWorld * depthPerMm);
    glBindFramebuffer(GL_FRAMEBUFFER, maskFramebuffers_[0]);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    Program& b = *blur_;
    b.use();
    glUniform1i(b.location("uSource"), albedoUnit);
    glUniform1f(b.location("uSigma"), std::max(0.5f, sigma / texel));
    glActiveTexture(GL_TEXTURE0 + albedoUnit);
    for (int pass = 0; pass < 2; ++pass) {
      glBindTexture(GL_TEXTURE_2D, maskTextures_[pass]);
      glBindFramebuffer(GL_FRAMEBUFFER, maskFramebuffers_[1 - pass]);
      glUniform2f(b.location("uStep"), pass == 0 ? 1.0f / float(mw) : 0.0f, pass == 0 ? 0.0f : 1.0f / float(mh));
      glDrawArrays(GL_TRIANGLES, 0, 3);
    }
    glEnable(GL_DEPTH_TEST);
  }
  clock.lap(&RenderTimings::shadow);

  // The surfaces' attributes, one sample per pixel.
  const CameraNode& camera = scene.camera;
  const Matrix4 view = lookAt(camera.position, camera.target);
  const Matrix4 viewProjection = perspective(camera.fovY, float(width) / float(height), camera.zNear, camera.zFar) * view;
  glBindFramebuffer(GL_FRAMEBUFFER, attributesFramebuffer_);
  glViewport(0, 0, width, height);
  const GLuint none[4] = {0, 0, 0, 0};
  glClearBufferuiv(GL_COLOR, 0, none);
  glClear(GL_DEPTH_BUFFER_BIT);
  glActiveTexture(GL_TEXTURE0 + albedoUnit);
  glBindTexture(GL_TEXTURE_2D, ruler_);

  // The lighting pass's table of finishes, each material's by equal numbers.
  std::vector<std::array<float, 4>> finishes;
  const auto finish = [&](const SurfaceMaterial& m) {
    const std::array<float, 4> f{m.roughness, m.metalness, m.clearCoat, m.clearCoatRoughness};
    const auto found = std::find(finishes.begin(), finishes.end(), f);
    if (found != finishes.end()) return int(found - finishes.begin());
    if (finishes.size() == kFinishes) return int(kFinishes - 1);  // more finishes than a look makes
    finishes.push_back(f);
    return int(finishes.size() - 1);
  };
  const Matrix4* drawnModel = &modelMatrix;
  Float3 buildAxis = normalize(Float3{modelMatrix(0, 2), modelMatrix(1, 2), modelMatrix(2, 2)});
  // The frame's uniforms, set on each attribute program the first time a draw uses it.
  const auto prepare = [&](Program& s) {
    glUniform1i(s.location("uAlbedoMap"), albedoUnit);
    glUniformMatrix4fv(s.location("uViewProjection"), 1, GL_FALSE, viewProjection.m.data());
    glUniformMatrix4fv(s.location("uModel"), 1, GL_FALSE, drawnModel->m.data());
    glUniform3f(s.location("uBuildAxis"), buildAxis.x, buildAxis.y, buildAxis.z);
  };
  for (const ObjectNode& object : scene.objects) {
    if (object.mesh < meshes_.size()) drawAttributes(meshes_[object.mesh], object.materials, finish, prepare);
  }
  if (hasReference_) {
    drawnModel = &referenceMatrix;
    buildAxis = {0, 1, 0};
    drawAttributes(reference_, scene.reference.materials, finish, prepare);
  }
  glDisable(GL_CULL_FACE);

  // Light every pixel the attributes cover, and only those: a triangle over the whole target at
  // the far plane passes the depth test wherever a surface is nearer.
  glBindFramebuffer(GL_FRAMEBUFFER, litFramebuffer_);
  const float nothing[4] = {0, 0, 0, 0};
  glClearBufferfv(GL_COLOR, 0, nothing);
  bool clearCoat = false;
  std::array<float, kFinishes> roughness{}, metalness{}, coat{}, coatRoughness{};
  for (std::size_t i = 0; i < finishes.size(); ++i) {
    roughness[i] = finishes[i][0], metalness[i] = finishes[i][1], coat[i] = finishes[i][2], coatRoughness[i] = finishes[i][3];
    clearCoat = clearCoat || coat[i] > 0;
  }
  const bool surfaceShadows = shadows && shadowTexture_;
  Program& l = lighting((surfaceShadows ? hasShadow : 0u) | (clearCoat ? hasClearCoat : 0u));
  l.use();
  glActiveTexture(GL_TEXTURE0 + shadowUnit);
  glBindTexture(GL_TEXTURE_2D, shadowTexture_);
  glActiveTexture(GL_TEXTURE0 + environmentUnit);
  glBindTexture(GL_TEXTURE_2D, environment_);
  glActiveTexture(GL_TEXTURE0 + attributesUnit);
  glBindTexture(GL_TEXTURE_2D, attributeTexture_);
  glUniform1i(l.location("uAttributes"), attributesUnit);
  {
    // The view's axes in the world are the rows of its rotation.
    const float tanHalf = std::tan(camera.fovY * std::numbers::pi_v<float> / 360.0f);
    const float across = tanHalf * float(width) / float(height);
    glUniform3f(l.location("uRayForward"), -view(2, 0), -view(2, 1), -view(2, 2));
    glUniform3f(l.location("uRayRight"), view(0, 0) * across, view(0, 1) * across, view(0, 2) * across);
    glUniform3f(l.location("uRayUp"), view(1, 0) * tanHalf, view(1, 1) * tanHalf, view(1, 2) * tanHalf);
  }
  glUniform1fv(l.location("uRoughness"), GLsizei(kFinishes), roughness.data());
  glUniform1fv(l.location("uMetalness"), GLsizei(kFinishes), metalness.data());
  glUniform1fv(l.location("uClearCoat"), GLsizei(kFinishes), coat.data());
  glUniform1fv(l.location("uClearCoatRoughness"), GLsizei(kFinishes), coatRoughness.data());

  const LightNode* lights[3] = {&rig.key, &rig.fill, &rig.rim};
  Float3 directions[3], colours[3];
  for (int i = 0; i < 3; ++i) {
    const Float3 p = lights[i]->position;
    directions[i] = lengthSquared(p) > 0 ? normalize(p) : Float3{0, 1, 0};
    colours[i] = Lighting::temperatureColor(lights[i]->temperature) * (lights[i]->intensity * kLightUnit);
  }
  const Float3 ambient = Lighting::temperatureColor(rig.ambient.temperature) * (rig.ambient.intensity * kLightUnit);
  std::array<Float3, 9> irradiance;
  for (std::size_t k = 0; k < 9; ++k) irradiance[k] = irradiance_[k] * (rig.environmentIntensity * kEnvironmentUnit);
  glUniform1i(l.location("uShadowMap"), shadowUnit);
  glUniform1i(l.location("uEnvironment"), environmentUnit);
  glUniformMatrix4fv(l.location("uLightViewProjection"), 1, GL_FALSE, lightViewProjection.m.data());
  glUniform1i(l.location("uShadowOn"), surfaceShadows ? 1 : 0);
  glUniform1f(l.location("uShadowRadius"), softness / (2 * S));
  glUniform1f(l.location("uSurfaceBias"), key.shadowBias * texelWorld * depthPerMm);
  glUniform1f(l.location("uNormalOffset"), 1.5f * texelWorld + 0.25f * softness);
  glUniform3f(l.location("uCameraPosition"), camera.position.x, camera.position.y, camera.position.z);
  glUniform3fv(l.location("uLightDirection"), 3, &directions[0].x);
  glUniform3fv(l.location("uLightColor"), 3, &colours[0].x);
  glUniform3f(l.location("uAmbient"), ambient.x, ambient.y, ambient.z);
  glUniform3fv(l.location("uIrradiance"), 9, &irradiance[0].x);
  glUniform1f(l.location("uEnvironmentIntensity"), rig.environmentIntensity * kEnvironmentUnit);
  glUniform1f(l.location("uEnvironmentLods"), environmentLods_);
  glUniform1f(l.location("uExposure"), kExposure);
  glDepthFunc(GL_GREATER);
  glDepthMask(GL_FALSE);
  glDepthRange(1, 1);
  glBindVertexArray(emptyVao_);
  glDrawArrays(GL_TRIANGLES, 0, 3);
  glDepthRange(0, 1);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LESS);

  // The multisampled picture: each surface sample takes its pixel's light.
  glBindFramebuffer(GL_FRAMEBUFFER, multisampleFramebuffer_);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  placement_->use();
  glActiveTexture(GL_TEXTURE0 + litUnit);
  glBindTexture(GL_TEXTURE_2D, litTexture_);
  glUniform1i(placement_->location("uLit"), litUnit);
  glUniform1i(placement_->location("uAttributes"), attributesUnit);
  glUniformMatrix4fv(placement_->location("uViewProjection"), 1, GL_FALSE, viewProjection.m.data());
  glUniformMatrix4fv(placement_->location("uModel"), 1, GL_FALSE, modelMatrix.m.data());
  for (const ObjectNode& object : scene.objects) {
    if (object.mesh < meshes_.size()) drawPlacement(meshes_[object.mesh], object.materials);
  }
  if (hasReference_) {
    glUniformMatrix4fv(placement_->location("uModel"), 1, GL_FALSE, referenceMatrix.m.data());
    drawPlacement(reference_, scene.reference.materials);
  }
  glDisable(GL_CULL_FACE);
  // The floor's shadow. Seen from above, every surface lies in front of the floor, so the floor
  // can go under the resolved picture, one sample a pixel, weighted by what the surfaces leave
  // uncovered; from below it is drawn into the multisampled picture against the surfaces' depth.
  const bool floorUnder = camera.position.y > rig.floor.position.y;
  const auto drawFloor = [&] {
    const float y = rig.floor.position.y;
    const Float3 quad[4] = {{x0, y, z1}, {x1, y, z1}, {x1, y, z0}, {x0, y, z0}};
    glBindBuffer(GL_ARRAY_BUFFER, floorBuffer_);
    glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof quad, quad);
    Program& f = *floor_;
    f.use();
    glActiveTexture(GL_TEXTURE0 + albedoUnit);
    glBindTexture(GL_TEXTURE_2D, maskTextures_[0]);
    glUniform1i(f.location("uMask"), albedoUnit);
    glUniformMatrix4fv(f.location("uViewProjection"), 1, GL_FALSE, viewProjection.m.data());
    glUniform4f(f.location("uMaskRect"), x0, z0, x1 - x0, z1 - z0);
    glUniform1f(f.location("uShadowOpacity"), key.shadowOpacity);
    glEnable(GL_BLEND);
    if (floorUnder) {
      glDisable(GL_DEPTH_TEST);
      glBlendFunc(GL_ONE_MINUS_DST_ALPHA, GL_ONE);
    } else {
      glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
    glDepthMask(GL_FALSE);
    glBindVertexArray(floorVao_);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    glBindVertexArray(0);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
  };
  if (floorShown && !floorUnder) drawFloor();
  glBindVertexArray(0);
  clock.lap(&RenderTimings::colour);

  glBindFramebuffer(GL_READ_FRAMEBUFFER, multisampleFramebuffer_);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFramebuffer_);
  glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  clock.lap(&RenderTimings::resolve);
  if (floorShown && floorUnder) {
    glBindFramebuffer(GL_FRAMEBUFFER, resolveFramebuffer_);
    drawFloor();
    clock.lap(&RenderTimings::colour);
  }

  Image picture(width, height, false);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, resolveFramebuffer_);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, picture.pixels.data());
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  const bool failed = glGetError() != GL_NO_ERROR;
  // GL's rows run from the bottom up; the picture's from the top down.
  std::vector<std::uint8_t> swap(picture.stride());
  for (int y = 0; y < height / 2; ++y) {
    std::uint8_t* a = picture.row(y);
    std::uint8_t* b = picture.row(height - 1 - y);
    std::memcpy(swap.data(), a, swap.size());
    std::memcpy(a, b, swap.size());
    std::memcpy(b, swap.data(), swap.size());
  }
  clock.lap(&RenderTimings::readBack);
  if (failed) return std::nullopt;
  return picture;
}

}  // namespace vantorel::gl
