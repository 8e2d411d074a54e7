// The multisampled picture's resolve, drawn by a program of the studio's own rather than by a
// framebuffer blit: the software rasteriser builds its blit programs afresh in every process, at
// several times the cost of a small picture, while a program of ours comes from the shader cache.
#include "studio/gl/shaders.h"

namespace vantorel::gl::shaders {

const char* const resolveFragment = R"glsl(#version 410 core
out vec4 fragColor;
uniform sampler2DMS uPicture;
uniform int uSamples;
void main() {
  ivec2 pixel = ivec2(gl_FragCoord.xy);
  vec4 sum = vec4(0.0);
  for (int i = 0; i < uSamples; ++i) sum += texelFetch(uPicture, pixel, i);
  fragColor = sum / float(uSamples);
}
)glsl";

}  // namespace vantorel::gl::shaders
