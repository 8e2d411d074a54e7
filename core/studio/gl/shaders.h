#pragma once
// GLSL 4.10 sources of the studio's three programs, one topic per file. A stage may be made of
// several pieces, compiled together in order (the version line comes first in each first piece).
namespace vantorel::gl::shaders {

/// Model and scale reference, in three passes: attributes, lighting, placement. Fragment stages
/// are compiled per feature set: the version line, then "#define HAS_LAYER_LINES" and
/// "HAS_ALBEDO_MAP" (attributes) or "HAS_SHADOW" and "HAS_CLEAR_COAT" (lighting) lines as needed,
/// then their pieces. Features are compile-time so the software rasteriser never runs the code of
/// an absent one.
extern const char* const surfaceVertex;
extern const char* const surfaceAttributes;  ///< after the packing and tone pieces
/// Physically based light, soft shadow, tone mapping and sRGB encoding of each covered pixel;
/// after the packing, shadow and tone pieces. Its vertex stage is `maskVertex`.
extern const char* const surfaceLighting;
extern const char* const surfacePlacement;   ///< multisampled, from the lit pixels; after the packing piece

/// Depth only, from the key light.
extern const char* const shadowVertex;
extern const char* const shadowFragment;

/// Depth only, from each direction of the model's ambient-occlusion bake.
extern const char* const occlusionVertex;
extern const char* const occlusionFragment;

/// The shadow-catching floor: the room's shadow colour, premultiplied, with alpha from the blurred masks.
extern const char* const floorVertex;
extern const char* const floorFragment;
/// The floor's mask (occlusion, blocker distance, contact): drawn from the key's depth map and the
/// model's depth from below, then blurred along each axis.
extern const char* const maskVertex;
extern const char* const maskFragmentHead;
extern const char* const maskFragment;  ///< after the head
extern const char* const blurFragment;

/// The multisampled picture averaged into one sample a pixel; its vertex stage is `maskVertex`.
extern const char* const resolveFragment;

/// Shared pieces: a pixel's surface attributes in four words; soft shadow lookups; tone mapping
/// and sRGB encoding and decoding.
extern const char* const attributePacking;
extern const char* const shadowSampling;
extern const char* const toneMapping;

}  // namespace vantorel::gl::shaders
