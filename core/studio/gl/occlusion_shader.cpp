// Depth of the model seen from each of the occlusion bake's directions: positions only.
#include "studio/gl/shaders.h"

namespace vantorel::gl::shaders {

const char* const occlusionVertex = R"glsl(
// After the version line and "#define DIRECTIONS n" and "#define COLUMNS n": one instance per
// direction, each drawn into its own tile of the atlas.
layout(location = 0) in vec3 aPosition;
uniform mat4 uPlacement;
uniform vec3 uCentre;                 // of the model's bounding sphere
uniform vec3 uRight[DIRECTIONS];      // each direction's view axes over the sphere's radius
uniform vec3 uUp[DIRECTIONS];
uniform vec3 uTowards[DIRECTIONS];
uniform vec2 uTile;                   // a tile's size in the atlas, which spans 0 … 1
out float gl_ClipDistance[4];
void main() {
  vec3 p = (uPlacement * vec4(aPosition, 1.0)).xyz - uCentre;
  int k = gl_InstanceID;
  // Orthographic: the sphere fills the tile, and nearer the viewer is less deep.
  vec3 view = vec3(dot(p, uRight[k]), dot(p, uUp[k]), -dot(p, uTowards[k]));
  gl_ClipDistance[0] = 1.0 - view.x;
  gl_ClipDistance[1] = 1.0 + view.x;
  gl_ClipDistance[2] = 1.0 - view.y;
  gl_ClipDistance[3] = 1.0 + view.y;
  vec2 corner = vec2(k % COLUMNS, k / COLUMNS);
  gl_Position = vec4((corner + view.xy * 0.5 + 0.5) * uTile * 2.0 - 1.0, view.z, 1.0);
}
)glsl";

const char* const occlusionFragment = R"glsl(#version 410 core
void main() {}
)glsl";

}  // namespace vantorel::gl::shaders
