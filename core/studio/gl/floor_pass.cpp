#include "studio/gl/floor_pass.h"

#include "studio/environment_light.h"

#include "studio/gl/shaders.h"
#include "studio/transforms.h"

#include <algorithm>
#include <cmath>

namespace vantorel::gl {
namespace {

// A level's blur in texels of its mask, at least: a Gaussian of two texels or more hides them.
constexpr float kBlurTexels = 2.0f;
// The three blurs' widths per unit of the key's softness. The softness is the penumbra's width
// at a blocker one sweep extent above the floor: the key's apparent size, as a softbox of about a
// fifth of a radian gives.
constexpr std::array<float, 3> kWidths = {0.12f, 0.5f, 1.5f};
// The penumbra where the model touches the floor, per unit of softness: what remains of the light's
// size in a blocker that rests on the floor.
constexpr float kContactPenumbra = 0.05f;
// The blocker distance stored as 1, in sweep extents; farther blockers all cast the broadest shadow.
constexpr float kDistanceUnit = 2.0f;
// The share of the shadow the room's light fills in at that distance.
constexpr float kFade = 0.45f;
// The contact shade: how far above the floor the model's lowest surfaces still shade it (in sweep
// extents), and how much of the room's light it takes where they touch.
constexpr float kContactReach = 0.04f;
constexpr float kContactStrength = 0.7f;
// The shadow's colour, linear, at an environment intensity of 1: the room's light, half its neutral
// environment and half the ambient light's colour, as the floor in shadow still reflects it.
constexpr float kShadowLevel = 0.14f;

float encodeSRGB(float linear) {
  linear = std::clamp(linear, 0.0f, 1.0f);
  return linear <= 0.0031308f ? 12.92f * linear : 1.055f * std::pow(linear, 1 / 2.4f) - 0.055f;
}

}  // namespace

FloorPass::FloorPass(bool software)
    : software_(software),
      floor_({shaders::floorVertex}, {shaders::floorFragment}),
      mask_({shaders::maskVertex}, {shaders::maskFragmentHead, shaders::maskFragment}),
      blur_({shaders::maskVertex}, {shaders::blurFragment}),
      depth_({shaders::shadowVertex}, {shaders::shadowFragment}),
      quadArray_(VertexArray::make()),
      quad_(Buffer::make()) {
  glBindVertexArray(quadArray_.get());
  glBindBuffer(GL_ARRAY_BUFFER, quad_.get());
  glBufferData(GL_ARRAY_BUFFER, 4 * sizeof(Float3), nullptr, GL_DYNAMIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Float3), nullptr);
  glBindVertexArray(0);
}

void FloorPass::drawBelow(const FloorNode& floor, SweepExtent sweep, const Frame& frame) {
  // Whatever stands on the floor lies within the sweep's circle. Seen from a little under the
  // floor, the depth range ends the contact's reach above it, so farther surfaces read as none.
  contactReach_ = std::max(kContactReach * sweep.extent(), 1e-6f);
  const float lift = contactReach_;
  belowNear_ = 0.5f * lift;
  belowSpan_ = lift + contactReach_ - belowNear_;
  const float half = sweep.radius + contactReach_;
  const Float3 eye{0, floor.position.y - lift, 0};
  belowViewProjection_ = orthographic(half, half, belowNear_, belowNear_ + belowSpan_) *
                         lookAt(eye, eye + Float3{0, 1, 0}, Float3{0, 0, 1});
  const int size = software_ ? 128 : 256;
  below_.ensure(size, false);
  glBindFramebuffer(GL_FRAMEBUFFER, below_.framebuffer());
  glViewport(0, 0, size, size);
  glEnable(GL_DEPTH_TEST);
  glClear(GL_DEPTH_BUFFER_BIT);
  depth_.use();
  glUniformMatrix4fv(depth_.location("uLightViewProjection"), 1, GL_FALSE, belowViewProjection_.m.data());
  glUniformMatrix4fv(depth_.location("uModel"), 1, GL_FALSE, frame.model.m.data());
  glUniform1f(depth_.location("uUnitScale"), frame.unitScale);
  for (const DrawnMesh& object : frame.objects) object.shadowCaster().drawAll();
  if (frame.reference) {
    glUniformMatrix4fv(depth_.location("uModel"), 1, GL_FALSE, frame.referenceModel.m.data());
    frame.reference->mesh->drawAll();
  }
}

void FloorPass::drawMask(const FloorNode& floor, const LightNode& key, SweepExtent sweep, const KeyShadow& shadow,
                         GLuint shadowMap, const Frame& frame, GLuint fullScreen) {
  drawBelow(floor, sweep, frame);
  extent_ = sweep.extent();
  for (int level = 0; level < kLevels; ++level) widths_[std::size_t(level)] = kWidths[std::size_t(level)] * shadow.softness;
  distanceUnit_ = kDistanceUnit * extent_;
  penumbraAtContact_ = kContactPenumbra * shadow.softness;
  penumbraGrowth_ = shadow.softness * kDistanceUnit;
  // The sweep's circle and its image cast along the key, widened by the broadest blur, within the floor's square.
  const Float3 toKey = normalize(key.position);
  const float reach = sweep.height / std::max(toKey.y, 0.05f);
  const float r = sweep.radius + 2.5f * widths_.back();
  const float cx = -toKey.x * reach, cz = -toKey.z * reach;
  const float half = floor.side / 2;
  x0_ = std::max(-half, std::min(-r, cx - r)), x1_ = std::min(half, std::max(r, cx + r));
  z0_ = std::max(-half, std::min(-r, cz - r)), z1_ = std::min(half, std::max(r, cz + r));

  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glBindVertexArray(fullScreen);
  // The key's map is read as depths here, to measure how far above the floor its blockers are.
  glActiveTexture(GL_TEXTURE0 + shadowUnit);
  glBindTexture(GL_TEXTURE_2D, shadowMap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_NONE);
  glActiveTexture(GL_TEXTURE0 + albedoUnit);
  mask_.use();
  glUniform1i(mask_.location("uKeyDepth"), shadowUnit);
  glUniform1i(mask_.location("uBelowDepth"), albedoUnit);
  glUniformMatrix4fv(mask_.location("uLightViewProjection"), 1, GL_FALSE, shadow.lightViewProjection.m.data());
  glUniformMatrix4fv(mask_.location("uBelowViewProjection"), 1, GL_FALSE, belowViewProjection_.m.data());
  glUniform4f(mask_.location("uMaskRect"), x0_, z0_, x1_ - x0_, z1_ - z0_);
  glUniform1f(mask_.location("uFloorHeight"), floor.position.y);
  glUniform1f(mask_.location("uFloorBias"), shadow.bias);
  glUniform1f(mask_.location("uKeyDepthSpan"), std::max(key.shadowFar, key.shadowNear + 1) - key.shadowNear);
  glUniform1f(mask_.location("uDistanceUnit"), distanceUnit_);
  glUniform3f(mask_.location("uBelow"), belowNear_, belowSpan_, contactReach_);
  glUniform1f(mask_.location("uBelowStep"), contactReach_ / (2 * (sweep.radius + contactReach_)));
  // Each level on a grid as coarse as its blur allows, each halving of which quarters its work; the
  // sharpest is bounded by what the device affords.
  const int longest = software_ ? 160 : 1024;
  int sizes[kLevels][2];
  for (int level = 0; level < kLevels; ++level) {
    const float texel = std::max(std::max(x1_ - x0_, z1_ - z0_) / float(longest), widths_[std::size_t(level)] / kBlurTexels);
    int* size = sizes[level];
    size[0] = std::max(8, int(std::ceil((x1_ - x0_) / texel)));
    size[1] = std::max(8, int(std::ceil((z1_ - z0_) / texel)));
    levels_[std::size_t(level)].ensure(size[0], size[1]);
    glBindTexture(GL_TEXTURE_2D, below_.texture());
    glBindFramebuffer(GL_FRAMEBUFFER, levels_[std::size_t(level)].framebuffer(0));
    glUniform1i(mask_.location("uContactOn"), level > 0);
    glViewport(0, 0, size[0], size[1]);
    glDrawArrays(GL_TRIANGLES, 0, 3);
  }
  glActiveTexture(GL_TEXTURE0 + shadowUnit);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);

  blur_.use();
  glUniform1i(blur_.location("uSource"), albedoUnit);
  glActiveTexture(GL_TEXTURE0 + albedoUnit);
  for (int level = 0; level < kLevels; ++level) {
    const FloorMask& mask = levels_[std::size_t(level)];
    const int mw = sizes[level][0], mh = sizes[level][1];
    const float texel = (x1_ - x0_) / float(mw);
    glViewport(0, 0, mw, mh);
    // At least about a texel, or the sharpest level's edge shows the mask's grid as a sawtooth.
    glUniform1f(blur_.location("uSigma"), std::max(1.2f, widths_[std::size_t(level)] / texel));
    for (int pass = 0; pass < 2; ++pass) {
      glBindTexture(GL_TEXTURE_2D, mask.texture(pass));
      glBindFramebuffer(GL_FRAMEBUFFER, mask.framebuffer(1 - pass));
      glUniform2f(blur_.location("uStep"), pass == 0 ? 1.0f / float(mw) : 0.0f, pass == 0 ? 0.0f : 1.0f / float(mh));
      glDrawArrays(GL_TRIANGLES, 0, 3);
    }
  }
  glEnable(GL_DEPTH_TEST);
}

void FloorPass::draw(const LightRig& rig, const Matrix4& viewProjection, bool under) {
  const float y = rig.floor.position.y;
  const Float3 quad[4] = {{x0_, y, z1_}, {x1_, y, z1_}, {x1_, y, z0_}, {x0_, y, z0_}};
  glBindBuffer(GL_ARRAY_BUFFER, quad_.get());
  glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof quad, quad);
  floor_.use();
  // The surfaces bind their own textures to these units again for every picture.
  const GLint units[kLevels] = {albedoUnit, environmentUnit, attributesUnit};
  const char* const names[kLevels] = {"uSharp", "uMiddle", "uBroad"};
  for (int level = 0; level < kLevels; ++level) {
    glActiveTexture(GLenum(GL_TEXTURE0 + units[level]));
    glBindTexture(GL_TEXTURE_2D, levels_[std::size_t(level)].texture(0));  // each blur ends where its mask began
    glUniform1i(floor_.location(names[level]), units[level]);
  }
  const Float3 ambient = Lighting::temperatureColor(rig.ambient.temperature);
  const float level = kShadowLevel * rig.environmentIntensity;
  // A share of the sweep's own colour, so the shadow only ever darkens what it falls on: over a black
  // backdrop a fixed grey would show as a lighter patch.
  const auto tint = [&](float hue, double sweep) {
    return encodeSRGB(std::min(1.0f, level * (0.5f + 0.5f * hue)) * linearFromSRGB(float(sweep)));
  };
  const Float3 colour{tint(ambient.x, rig.sweepColor.r), tint(ambient.y, rig.sweepColor.g),
                      tint(ambient.z, rig.sweepColor.b)};
  glUniformMatrix4fv(floor_.location("uViewProjection"), 1, GL_FALSE, viewProjection.m.data());
  glUniform4f(floor_.location("uMaskRect"), x0_, z0_, x1_ - x0_, z1_ - z0_);
  glUniform3f(floor_.location("uWidths"), widths_[0], widths_[1], widths_[2]);
  glUniform2f(floor_.location("uPenumbra"), penumbraAtContact_, penumbraGrowth_);
  glUniform1f(floor_.location("uShadowOpacity"), rig.key.shadowOpacity);
  glUniform1f(floor_.location("uFade"), kFade);
  glUniform1f(floor_.location("uContact"), kContactStrength / 2);
  glUniform3f(floor_.location("uShadowColour"), colour.x, colour.y, colour.z);
  glEnable(GL_BLEND);
  if (under) {
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_ONE_MINUS_DST_ALPHA, GL_ONE);
  } else {
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  }
  glDepthMask(GL_FALSE);
  glBindVertexArray(quadArray_.get());
  glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
  glBindVertexArray(0);
  glDepthMask(GL_TRUE);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
}

}  // namespace vantorel::gl
