#pragma once
// GLSL 4.10 sources of the studio's three programs, one topic per file. A stage may be made of
// several pieces, compiled together in order (the version line comes first in each first piece).
namespace vantorel::gl::shaders {

/// Model and scale reference: physically based surface, lights, image light, soft shadow, layer
/// lines, tone mapping and sRGB encoding into premultiplied output.
extern const char* const surfaceVertex;
extern const char* const surfaceFragmentHead;  ///< version line and inputs
extern const char* const surfaceFragment;      ///< after the head, the shadow and the tone pieces

/// Depth only, from the key light.
extern const char* const shadowVertex;
extern const char* const shadowFragment;

/// The shadow-catching floor: black with alpha = opacity × occlusion.
extern const char* const floorVertex;
extern const char* const floorFragmentHead;
extern const char* const floorFragment;  ///< after the head and the shadow piece

/// Shared pieces: soft shadow lookups; tone mapping and sRGB encoding.
extern const char* const shadowSampling;
extern const char* const toneMapping;

}  // namespace vantorel::gl::shaders
