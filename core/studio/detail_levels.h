#pragma once
// Lighter copies of dense objects for pictures that cannot show their detail. Sliced and scanned
// models carry hundreds of thousands of triangles far smaller than a pixel of a listing picture;
// each costs the rasteriser time and adds nothing visible. The turntable framing fixes how many
// millimetres a pixel covers for a whole video or set of shots, so a copy simplified to a small
// part of that stays valid for all its frames.
#include "input/print_model.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vantorel::Detail {

/// Objects with at most this many triangles are always drawn whole: simplifying them costs more
/// than drawing them.
inline constexpr std::size_t kDenseTriangles = 60'000;
/// How far, in pixels, a copy's surface may lie from the object's: well below one, so silhouettes
/// and highlights stay where they were.
inline constexpr float kSurfaceErrorPixels = 0.3f;
/// The shadow map is coarser than the picture and its edge is blurred, so the shadow casters may
/// stray four times as far.
inline constexpr int kShadowLevelsCoarser = 4;

/// Copies come in levels half an octave apart: level k lets the surface move by at most 2^(k/2) mm.
/// The level for a picture whose pixel covers `pixelMm` at the model, the coarsest within
/// kSurfaceErrorPixels.
int levelFor(float pixelMm);
/// The error a level allows, in mm.
float levelError(int level);

/// The colour keys of the object's drawable groups, ascending: the object's colour (−1 for none)
/// for triangles without one of their own. A copy keeps the same keys, some maybe without triangles.
std::vector<std::int64_t> colourKeys(const ModelObject& object);

/// `object` simplified so that its surface moves by at most `errorMm`, keeping its topology. Each
/// colour is simplified on its own with its border locked, so colour borders stay exactly where
/// they are and never open. The copy holds only the points it uses. Nothing when `object` has at
/// most kDenseTriangles triangles or the copy would keep more than three quarters of them.
std::optional<ModelObject> simplified(const ModelObject& object, float errorMm);

}  // namespace vantorel::Detail
