// Depth from the key light: positions only; the fragment stage writes nothing but depth.
#include "studio/gl/shaders.h"

namespace vantorel::gl::shaders {

const char* const shadowVertex = R"glsl(#version 410 core
layout(location = 0) in vec3 aPosition;
uniform mat4 uModel;
uniform float uUnitScale;
uniform mat4 uLightViewProjection;
void main() {
  gl_Position = uLightViewProjection * (uModel * vec4(aPosition * uUnitScale, 1.0));
}
)glsl";

const char* const shadowFragment = R"glsl(#version 410 core
void main() {}
)glsl";

}  // namespace vantorel::gl::shaders
