// The floor draws nothing but the key's shadow: premultiplied black whose alpha is the preset's
// opacity times the occlusion, so a transparent picture keeps a soft shadow.
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

const char* const floorFragmentHead = R"glsl(#version 410 core
in vec3 vWorld;
out vec4 fragColor;
uniform float uShadowOpacity;
uniform float uFloorBias;
)glsl";

const char* const floorFragment = R"glsl(
void main() {
  float occlusion = 1.0 - keyVisibility(vWorld, 1.0, uFloorBias);
  fragColor = vec4(0.0, 0.0, 0.0, uShadowOpacity * occlusion);
}
)glsl";

}  // namespace vantorel::gl::shaders
