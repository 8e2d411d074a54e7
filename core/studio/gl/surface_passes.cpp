#include "studio/gl/surface_passes.h"

#include "studio/gl/shaders.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace vantorel::gl {
namespace {

// Lights are given in lumen-like units with 1000 as the reference level; this scale makes a
// swatch facing the soft-studio key read as the swatch after tone mapping.
constexpr float kLightUnit = 1.15f / 1000.0f;
constexpr float kExposure = 1.0f;
// The environment's share of the light next to the lamps: enough to fill shadows and give
// reflections, little enough that the key still models the form.
constexpr float kEnvironmentUnit = 0.6f;

// Attribute programs: hasLayerLines, hasAlbedoMap; lighting programs: hasShadow, hasClearCoat.
enum Feature : unsigned { hasLayerLines = 1, hasAlbedoMap = 2, hasShadow = 1, hasClearCoat = 2 };
constexpr std::size_t kFinishes = 16;  // the lighting program's table

// The version line and a "#define NAME 1" line for each feature bit set, naming bit 1 then bit 2.
std::string featureLines(unsigned features, const char* bit1, const char* bit2) {
  std::string lines = "#version 410 core\n";
  if (features & 1u) lines += std::string("#define ") + bit1 + " 1\n";
  if (features & 2u) lines += std::string("#define ") + bit2 + " 1\n";
  return lines;
}

// The camera's position and the rays through the target's centre and edges.
void setView(Program& l, const Frame& frame) {
  // The view's axes in the world are the rows of its rotation.
  const Matrix4& view = frame.view;
  const float tanHalf = std::tan(frame.camera->fovY * std::numbers::pi_v<float> / 360.0f);
  const float across = tanHalf * float(frame.width) / float(frame.height);
  glUniform3f(l.location("uRayForward"), -view(2, 0), -view(2, 1), -view(2, 2));
  glUniform3f(l.location("uRayRight"), view(0, 0) * across, view(0, 1) * across, view(0, 2) * across);
  glUniform3f(l.location("uRayUp"), view(1, 0) * tanHalf, view(1, 1) * tanHalf, view(1, 2) * tanHalf);
  const Float3& eye = frame.camera->position;
  glUniform3f(l.location("uCameraPosition"), eye.x, eye.y, eye.z);
}

void setShadow(Program& l, const KeyShadow& shadow, bool on) {
  glUniform1i(l.location("uShadowMap"), shadowUnit);
  glUniformMatrix4fv(l.location("uLightViewProjection"), 1, GL_FALSE, shadow.lightViewProjection.m.data());
  glUniform1i(l.location("uShadowOn"), on ? 1 : 0);
  glUniform1f(l.location("uShadowRadius"), shadow.mapRadius());
  glUniform1f(l.location("uSurfaceBias"), shadow.bias);
  glUniform1f(l.location("uNormalOffset"), 1.5f * shadow.texelWorld + 0.25f * shadow.softness);
}

// The three lamps, the ambient light and the environment's, in the lighting program's units.
void setLights(Program& l, const LightRig& rig, const SurfaceEnvironment& environment) {
  const LightNode* lights[3] = {&rig.key, &rig.fill, &rig.rim};
  Float3 directions[3], colours[3];
  for (int i = 0; i < 3; ++i) {
    const Float3 p = lights[i]->position;
    directions[i] = lengthSquared(p) > 0 ? normalize(p) : Float3{0, 1, 0};
    colours[i] = Lighting::temperatureColor(lights[i]->temperature) * (lights[i]->intensity * kLightUnit);
  }
  const Float3 ambient = Lighting::temperatureColor(rig.ambient.temperature) * (rig.ambient.intensity * kLightUnit);
  std::array<Float3, 9> irradiance;
  for (std::size_t k = 0; k < 9; ++k) irradiance[k] = environment.irradiance[k] * (rig.environmentIntensity * kEnvironmentUnit);
  glUniform1i(l.location("uEnvironment"), environmentUnit);
  glUniform3fv(l.location("uLightDirection"), 3, &directions[0].x);
  glUniform3fv(l.location("uLightColor"), 3, &colours[0].x);
  glUniform3f(l.location("uAmbient"), ambient.x, ambient.y, ambient.z);
  glUniform3fv(l.location("uIrradiance"), 9, &irradiance[0].x);
  glUniform1f(l.location("uEnvironmentIntensity"), rig.environmentIntensity * kEnvironmentUnit);
  glUniform1f(l.location("uEnvironmentLods"), environment.lods);
  glUniform1f(l.location("uExposure"), kExposure);
}

}  // namespace

SurfacePasses::SurfacePasses() {
  attributes(0);
  lighting(0);
  placement_ = std::make_unique<Program>(std::initializer_list<const char*>{shaders::surfaceVertex},
                                         std::initializer_list<const char*>{"#version 410 core\n", shaders::attributePacking,
                                                                            shaders::surfacePlacement});
}

Program& SurfacePasses::attributes(unsigned features) {
  std::unique_ptr<Program>& program = attributes_[features & 3u];
  if (!program) {
    const std::string prefix = featureLines(features, "HAS_LAYER_LINES", "HAS_ALBEDO_MAP");
    program = std::make_unique<Program>(std::initializer_list<const char*>{shaders::surfaceVertex},
                                        std::initializer_list<const char*>{prefix.c_str(), shaders::attributePacking,
                                                                           shaders::toneMapping, shaders::surfaceAttributes});
  }
  return *program;
}

Program& SurfacePasses::lighting(unsigned features) {
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

int SurfacePasses::finish(const SurfaceMaterial& m) {
  const std::array<float, 4> f{m.roughness, m.metalness, m.clearCoat, m.clearCoatRoughness};
  const auto found = std::find(finishes_.begin(), finishes_.end(), f);
  if (found != finishes_.end()) return int(found - finishes_.begin());
  if (finishes_.size() == kFinishes) return int(kFinishes - 1);  // more finishes than a look makes
  finishes_.push_back(f);
  return int(finishes_.size() - 1);
}

void SurfacePasses::drawAttributes(const Frame& frame, const PictureTargets& targets, GLuint ruler) {
  glBindFramebuffer(GL_FRAMEBUFFER, targets.attributes());
  glViewport(0, 0, frame.width, frame.height);
  const GLuint none[4] = {0, 0, 0, 0};
  glClearBufferuiv(GL_COLOR, 0, none);
  glClear(GL_DEPTH_BUFFER_BIT);
  glActiveTexture(GL_TEXTURE0 + albedoUnit);
  glBindTexture(GL_TEXTURE_2D, ruler);
  finishes_.clear();
  const Matrix4& model = frame.model;
  const Float3 buildAxis = normalize(Float3{model(0, 2), model(1, 2), model(2, 2)});
  for (const DrawnMesh& object : frame.objects) drawAttributes(object, model, buildAxis, frame, ruler != 0);
  if (frame.reference) drawAttributes(*frame.reference, frame.referenceModel, Float3{0, 1, 0}, frame, ruler != 0);
  glDisable(GL_CULL_FACE);
}

void SurfacePasses::drawAttributes(const DrawnMesh& drawn, const Matrix4& model, Float3 buildAxis, const Frame& frame,
                                   bool hasRuler) {
  const DeviceMesh& mesh = *drawn.mesh;
  mesh.bind();
  Program* current = nullptr;
  for (std::size_t g = 0; g < mesh.groups.size(); ++g) {
    const SurfaceMaterial* m = mesh.material(g, *drawn.materials);
    if (!m) continue;
    const unsigned features = (m->layerHeight ? hasLayerLines : 0u) | (m->rulerScale && hasRuler ? hasAlbedoMap : 0u);
    Program& program = attributes(features);
    if (&program != current) {
      // The frame's uniforms, set on each program the first time a draw uses it.
      program.use();
      glUniform1i(program.location("uAlbedoMap"), albedoUnit);
      glUniformMatrix4fv(program.location("uViewProjection"), 1, GL_FALSE, frame.viewProjection.m.data());
      glUniformMatrix4fv(program.location("uModel"), 1, GL_FALSE, model.m.data());
      glUniform1f(program.location("uUnitScale"), frame.unitScale);
      glUniform3f(program.location("uBuildAxis"), buildAxis.x, buildAxis.y, buildAxis.z);
      current = &program;
    }
    glUniform3f(program.location("uSwatch"), float(m->color.r), float(m->color.g), float(m->color.b));
    glUniform1i(program.location("uFinish"), finish(*m));
    glUniform1f(program.location("uLayerHeight"), m->layerHeight.value_or(0.0f));
    glUniform1f(program.location("uLayerStrength"), m->layerStrength);
    mesh.drawGroup(g);
  }
}

void SurfacePasses::light(const Frame& frame, const PictureTargets& targets, const LightRig& rig,
                          const KeyShadow& shadow, GLuint shadowMap, const SurfaceEnvironment& environment,
                          GLuint fullScreen) {
  // Light every pixel the attributes cover, and only those: a triangle over the whole target at
  // the far plane passes the depth test wherever a surface is nearer.
  glBindFramebuffer(GL_FRAMEBUFFER, targets.lit());
  const float nothing[4] = {0, 0, 0, 0};
  glClearBufferfv(GL_COLOR, 0, nothing);
  bool clearCoat = false;
  std::array<float, kFinishes> roughness{}, metalness{}, coat{}, coatRoughness{};
  for (std::size_t i = 0; i < finishes_.size(); ++i) {
    roughness[i] = finishes_[i][0], metalness[i] = finishes_[i][1], coat[i] = finishes_[i][2], coatRoughness[i] = finishes_[i][3];
    clearCoat = clearCoat || coat[i] > 0;
  }
  const bool surfaceShadows = shadow.on && shadowMap;
  Program& l = lighting((surfaceShadows ? hasShadow : 0u) | (clearCoat ? hasClearCoat : 0u));
  l.use();
  glActiveTexture(GL_TEXTURE0 + shadowUnit);
  glBindTexture(GL_TEXTURE_2D, shadowMap);
  glActiveTexture(GL_TEXTURE0 + environmentUnit);
  glBindTexture(GL_TEXTURE_2D, environment.texture.get());
  glActiveTexture(GL_TEXTURE0 + attributesUnit);
  glBindTexture(GL_TEXTURE_2D, targets.attributeTexture());
  glUniform1i(l.location("uAttributes"), attributesUnit);
  setView(l, frame);
  glUniform1fv(l.location("uRoughness"), GLsizei(kFinishes), roughness.data());
  glUniform1fv(l.location("uMetalness"), GLsizei(kFinishes), metalness.data());
  glUniform1fv(l.location("uClearCoat"), GLsizei(kFinishes), coat.data());
  glUniform1fv(l.location("uClearCoatRoughness"), GLsizei(kFinishes), coatRoughness.data());
  setShadow(l, shadow, surfaceShadows);
  setLights(l, rig, environment);
  glDepthFunc(GL_GREATER);
  glDepthMask(GL_FALSE);
  glDepthRange(1, 1);
  glBindVertexArray(fullScreen);
  glDrawArrays(GL_TRIANGLES, 0, 3);
  glDepthRange(0, 1);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LESS);
}

void SurfacePasses::place(const Frame& frame, const PictureTargets& targets) {
  glBindFramebuffer(GL_FRAMEBUFFER, targets.multisample());
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  placement_->use();
  glActiveTexture(GL_TEXTURE0 + litUnit);
  glBindTexture(GL_TEXTURE_2D, targets.litTexture());
  glUniform1i(placement_->location("uLit"), litUnit);
  glUniform1i(placement_->location("uAttributes"), attributesUnit);
  glUniformMatrix4fv(placement_->location("uViewProjection"), 1, GL_FALSE, frame.viewProjection.m.data());
  glUniformMatrix4fv(placement_->location("uModel"), 1, GL_FALSE, frame.model.m.data());
  glUniform1f(placement_->location("uUnitScale"), frame.unitScale);
  // Whether any sample of the model is drawn: framing always fits the model, so none means that
  // the picture failed, not that the model is out of view.
  if (!coverage_) coverage_ = Query::make();
  glBeginQuery(GL_ANY_SAMPLES_PASSED, coverage_.get());
  for (const DrawnMesh& object : frame.objects) drawPlacement(object);
  glEndQuery(GL_ANY_SAMPLES_PASSED);
  if (frame.reference) {
    glUniformMatrix4fv(placement_->location("uModel"), 1, GL_FALSE, frame.referenceModel.m.data());
    drawPlacement(*frame.reference);
  }
  glDisable(GL_CULL_FACE);
}

bool SurfacePasses::modelCovered() const {
  GLuint any = 0;
  glGetQueryObjectuiv(coverage_.get(), GL_QUERY_RESULT, &any);
  return any != 0;
}

void SurfacePasses::drawPlacement(const DrawnMesh& drawn) {
  const DeviceMesh& mesh = *drawn.mesh;
  mesh.bind();
  for (std::size_t g = 0; g < mesh.groups.size(); ++g) {
    const SurfaceMaterial* m = mesh.material(g, *drawn.materials);
    if (!m) continue;
    glUniform3f(placement_->location("uSwatch"), float(m->color.r), float(m->color.g), float(m->color.b));
    mesh.drawGroup(g);
  }
}

}  // namespace vantorel::gl
