#include "studio/gl/shadow_pass.h"

#include "studio/gl/shaders.h"
#include "studio/transforms.h"

#include <algorithm>

namespace vantorel::gl {
namespace {

// Shadow softness: world radius per unit of the preset's shadow radius, as a fraction of E.
constexpr float kSoftnessPerRadius = 0.0035f;

}  // namespace

KeyShadow KeyShadow::of(const LightNode& key, float extent, int mapSize) {
  KeyShadow shadow;
  shadow.on = key.castsShadow && key.orthographicScale > 0;
  const float S = std::max(key.orthographicScale, 1e-3f);
  shadow.scale = S;
  shadow.lightViewProjection =
      orthographic(S, S, key.shadowNear, std::max(key.shadowFar, key.shadowNear + 1)) * lookAt(key.position, Float3{});
  shadow.mapSize = mapSize;
  shadow.texelWorld = 2 * S / float(mapSize);
  const float depthPerMm = 1.0f / std::max(key.shadowFar - key.shadowNear, 1e-3f);
  shadow.softness = key.shadowRadius * kSoftnessPerRadius * extent;
  shadow.bias = key.shadowBias * shadow.texelWorld * depthPerMm;
  return shadow;
}

ShadowPass::ShadowPass() : program_({shaders::shadowVertex}, {shaders::shadowFragment}) {}

void ShadowPass::draw(const KeyShadow& shadow, const Frame& frame) {
  if (!shadow.on) return;
  target_.ensure(shadow.mapSize);
  glBindFramebuffer(GL_FRAMEBUFFER, target_.framebuffer());
  glViewport(0, 0, shadow.mapSize, shadow.mapSize);
  glClear(GL_DEPTH_BUFFER_BIT);
  program_.use();
  glUniformMatrix4fv(program_.location("uLightViewProjection"), 1, GL_FALSE, shadow.lightViewProjection.m.data());
  glUniformMatrix4fv(program_.location("uModel"), 1, GL_FALSE, frame.model.m.data());
  glUniform1f(program_.location("uUnitScale"), frame.unitScale);
  for (const DrawnMesh& object : frame.objects) object.shadowCaster().drawAll();
  if (frame.reference) {
    glUniformMatrix4fv(program_.location("uModel"), 1, GL_FALSE, frame.referenceModel.m.data());
    frame.reference->mesh->drawAll();
  }
}

}  // namespace vantorel::gl
