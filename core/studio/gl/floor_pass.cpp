#include "studio/gl/floor_pass.h"

#include "studio/gl/shaders.h"

#include <algorithm>
#include <cmath>

namespace vantorel::gl {
namespace {

// The floor shadow's blur in texels of its mask, at most.
constexpr float kBlurTexels = 2.0f;

}  // namespace

FloorPass::FloorPass(bool software)
    : software_(software),
      floor_({shaders::floorVertex}, {shaders::floorFragment}),
      mask_({shaders::maskVertex}, {shaders::maskFragmentHead, shaders::shadowSampling, shaders::maskFragment}),
      blur_({shaders::maskVertex}, {shaders::blurFragment}),
      quadArray_(VertexArray::make()),
      quad_(Buffer::make()) {
  glBindVertexArray(quadArray_.get());
  glBindBuffer(GL_ARRAY_BUFFER, quad_.get());
  glBufferData(GL_ARRAY_BUFFER, 4 * sizeof(Float3), nullptr, GL_DYNAMIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Float3), nullptr);
  glBindVertexArray(0);
}

void FloorPass::drawMask(const FloorNode& floor, const LightNode& key, SweepExtent sweep, const KeyShadow& shadow,
                         GLuint shadowMap, GLuint fullScreen) {
  // The sweep's circle and its image cast along the key, widened by the blur, within the floor's square.
  const Float3 toKey = normalize(key.position);
  const float reach = sweep.height / std::max(toKey.y, 0.05f);
  const float r = sweep.radius + 3 * shadow.softness;
  const float cx = -toKey.x * reach, cz = -toKey.z * reach;
  const float half = floor.side / 2;
  x0_ = std::max(-half, std::min(-r, cx - r)), x1_ = std::min(half, std::max(r, cx + r));
  z0_ = std::max(-half, std::min(-r, cz - r)), z1_ = std::min(half, std::max(r, cz + r));
  // Fine enough for the sharpest shadow, and no finer than the blur needs: a Gaussian of two
  // texels or more hides the texels, and each halving of the resolution quarters the work.
  const int longest = software_ ? 256 : 768;
  const float sigma = 0.6f * shadow.softness;  // the blur's standard deviation on the floor (mm)
  const float texel = std::max(std::max(x1_ - x0_, z1_ - z0_) / float(longest), sigma / kBlurTexels);
  const int mw = std::max(8, int(std::ceil((x1_ - x0_) / texel))), mh = std::max(8, int(std::ceil((z1_ - z0_) / texel)));
  target_.ensure(mw, mh);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glBindVertexArray(fullScreen);
  glViewport(0, 0, mw, mh);
  glActiveTexture(GL_TEXTURE0 + shadowUnit);
  glBindTexture(GL_TEXTURE_2D, shadowMap);
  mask_.use();
  glUniform1i(mask_.location("uShadowMap"), shadowUnit);
  glUniformMatrix4fv(mask_.location("uLightViewProjection"), 1, GL_FALSE, shadow.lightViewProjection.m.data());
  glUniform1i(mask_.location("uShadowOn"), 1);
  glUniform1f(mask_.location("uShadowRadius"), shadow.mapRadius());
  glUniform4f(mask_.location("uMaskRect"), x0_, z0_, x1_ - x0_, z1_ - z0_);
  glUniform1f(mask_.location("uFloorHeight"), floor.position.y);
  glUniform1f(mask_.location("uFloorBias"), shadow.bias);
  glBindFramebuffer(GL_FRAMEBUFFER, target_.framebuffer(0));
  glDrawArrays(GL_TRIANGLES, 0, 3);
  blur_.use();
  glUniform1i(blur_.location("uSource"), albedoUnit);
  glUniform1f(blur_.location("uSigma"), std::max(0.5f, sigma / texel));
  glActiveTexture(GL_TEXTURE0 + albedoUnit);
  for (int pass = 0; pass < 2; ++pass) {
    glBindTexture(GL_TEXTURE_2D, target_.texture(pass));
    glBindFramebuffer(GL_FRAMEBUFFER, target_.framebuffer(1 - pass));
    glUniform2f(blur_.location("uStep"), pass == 0 ? 1.0f / float(mw) : 0.0f, pass == 0 ? 0.0f : 1.0f / float(mh));
    glDrawArrays(GL_TRIANGLES, 0, 3);
  }
  glEnable(GL_DEPTH_TEST);
}

void FloorPass::draw(const FloorNode& floor, const Matrix4& viewProjection, float opacity, bool under) {
  const float y = floor.position.y;
  const Float3 quad[4] = {{x0_, y, z1_}, {x1_, y, z1_}, {x1_, y, z0_}, {x0_, y, z0_}};
  glBindBuffer(GL_ARRAY_BUFFER, quad_.get());
  glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof quad, quad);
  floor_.use();
  glActiveTexture(GL_TEXTURE0 + albedoUnit);
  glBindTexture(GL_TEXTURE_2D, target_.texture(0));  // the blur ends where the mask began
  glUniform1i(floor_.location("uMask"), albedoUnit);
  glUniformMatrix4fv(floor_.location("uViewProjection"), 1, GL_FALSE, viewProjection.m.data());
  glUniform4f(floor_.location("uMaskRect"), x0_, z0_, x1_ - x0_, z1_ - z0_);
  glUniform1f(floor_.location("uShadowOpacity"), opacity);
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
