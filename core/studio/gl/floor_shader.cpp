// The floor draws nothing but the key's shadow: premultiplied black whose alpha is the preset's
// opacity times the occlusion, so a transparent picture keeps a soft shadow. The occlusion is
// first drawn into a small mask over the floor's shadow area and blurred there (two separable
// Gaussian passes), which gives a smooth penumbra of any width for one lookup per floor pixel.
#include "studio/gl/shaders.h"

namespace vantorel::gl::shaders {

const char* const floorVertex = R"glsl(#version 410 core
layout(location = 0) in vec3 aPosition;
uniform mat4 uViewProjection;
out vec3 vWorld;
void main() {
  vWorld = aPosition;
  gl_Position = uViewProjection * vec4(aPosition, 1.0);
}
)glsl";

const char* const floorFragment = R"glsl(#version 410 core
in vec3 vWorld;
out vec4 fragColor;
uniform sampler2D uMask;
uniform vec4 uMaskRect;   // min x, min z, width, depth of the mask on the floor (mm)
uniform float uShadowOpacity;
void main() {
  vec2 uv = (vWorld.xz - uMaskRect.xy) / uMaskRect.zw;
  fragColor = vec4(0.0, 0.0, 0.0, uShadowOpacity * texture(uMask, uv).r);
}
)glsl";

const char* const maskVertex = R"glsl(#version 410 core
out vec2 vUV;
void main() {
  // One triangle over the whole target.
  vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
  vUV = corner;
  gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
)glsl";

const char* const maskFragmentHead = R"glsl(#version 410 core
in vec2 vUV;
out vec4 fragColor;
uniform vec4 uMaskRect;
uniform float uFloorHeight;
uniform float uFloorBias;
)glsl";

const char* const maskFragment = R"glsl(
void main() {
  vec3 world = vec3(uMaskRect.x + vUV.x * uMaskRect.z, uFloorHeight, uMaskRect.y + vUV.y * uMaskRect.w);
  fragColor = vec4(1.0 - keyVisibilitySharp(world, uFloorBias), 0.0, 0.0, 1.0);
}
)glsl";

const char* const blurFragment = R"glsl(#version 410 core
in vec2 vUV;
out vec4 fragColor;
uniform sampler2D uSource;
uniform vec2 uStep;      // one texel along the blur direction
uniform float uSigma;    // in texels
void main() {
  // Pairs of taps merged into one bilinear lookup each.
  float sum = texture(uSource, vUV).r;
  float weights = 1.0;
  float twoSigma2 = 2.0 * uSigma * uSigma;
  int reach = int(ceil(uSigma * 2.5));
  for (int i = 1; i <= reach; i += 2) {
    float w0 = exp(-float(i * i) / twoSigma2);
    float w1 = exp(-float((i + 1) * (i + 1)) / twoSigma2);
    float w = w0 + w1;
    float offset = float(i) + w1 / w;
    sum += w * (texture(uSource, vUV + uStep * offset).r + texture(uSource, vUV - uStep * offset).r);
    weights += 2.0 * w;
  }
  fragColor = vec4(sum / weights, 0.0, 0.0, 1.0);
}
)glsl";

}  // namespace vantorel::gl::shaders
