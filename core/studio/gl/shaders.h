#pragma once
// GLSL 4.10 sources of the studio's three programs, one topic per file. A stage may be made of
// several pieces, compiled together in order (the version line comes first in each first piece).
namespace vantorel::gl::shaders {

/// Model and scale reference: physically based surface, lights, image light, soft shadow, layer
/// lines, tone mapping and sRGB encoding into premultiplied output.
extern const char* const surfaceVertex;
/// The fragment stage is compiled per feature set: the version line, then "#define HAS_SHADOW",
/// "HAS_LAYER_LINES", "HAS_CLEAR_COAT" and "HAS_ALBEDO_MAP" lines as needed, then these pieces.
/// Features are compile-time so the software rasteriser never runs the code of an absent one.
extern const char* const surfaceFragmentHead;  ///< inputs
extern const char* const surfaceFragment;      ///< after the head, the shadow and the tone pieces

/// Depth only, from the key light.
extern const char* const shadowVertex;
extern const char* const shadowFragment;

/// The shadow-catching floor: black with alpha = opacity × occlusion from the blurred mask.
extern const char* const floorVertex;
extern const char* const floorFragment;
/// The floor's occlusion mask: drawn from the shadow map, then blurred along each axis.
extern const char* const maskVertex;
extern const char* const maskFragmentHead;
extern const char* const maskFragment;  ///< after the head and the shadow piece
extern const char* const blurFragment;

/// Shared pieces: soft shadow lookups; tone mapping and sRGB encoding.
extern const char* const shadowSampling;
extern const char* const toneMapping;

}  // namespace vantorel::gl::shaders
