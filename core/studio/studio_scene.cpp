#include "studio/studio_scene.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantorel {

Bounds ReferenceNode::box() const {
  if (kind == ScaleReference::none) return Bounds::empty;
  const Float3 half = size * 0.5f;
  return Bounds{position - half, position + half};
}

namespace Scene {

SurfaceMaterial groupMaterial(const PrintModel& model, const Look& look, std::int64_t groupKey) {
  SurfaceMaterial m;
  const bool fromPalette = look.useFileColors && groupKey >= 0 && groupKey < std::int64_t(model.palette.size());
  const RGBA c = fromPalette ? model.palette[std::size_t(groupKey)] : look.color;
  m.color = {c.r, c.g, c.b, 1.0};
  const FinishMaterial f = material(look.finish);
  m.roughness = f.roughness;
  m.metalness = f.metalness;
  m.clearCoat = f.clearCoat;
  m.clearCoatRoughness = 0.12f;
  m.doubleSided = true;
  if (look.layerLines) m.layerHeight = std::max(float(look.layerHeight), kSmallestLayerHeight);
  m.layerStrength = kLayerStrength;
  return m;
}

int rulerLength(const Bounds& staged) {
  const Float3 s = staged.size();
  const float steps = std::ceil(std::max(s.x, s.z) / 50.0f);
  // Clamped before the conversion: the side of a model a billion kilometres long overflows an int.
  return steps >= 6 ? 300 : steps > 1 ? int(steps) * 50 : 50;
}

ReferenceNode reference(const Look& look, const Bounds& staged) {
  ReferenceNode node;
  node.kind = look.scaleReference;
  const Bounds B = staged.isEmpty() ? Bounds{Float3{}, Float3{}} : staged;
  switch (look.scaleReference) {
    case ScaleReference::none: break;
    case ScaleReference::disc: {
      node.position = {B.max.x + 20, 0.875f, B.max.z - 12};
      node.size = {24, 1.75f, 24};
      SurfaceMaterial metal;
      metal.color = {0.62, 0.63, 0.64, 1.0};
      metal.metalness = 1;
      metal.roughness = 0.45f;
      node.materials = {metal};
      break;
    }
    case ScaleReference::ruler: {
      node.rulerLength = rulerLength(staged);
      node.position = {0, 0.8f, B.max.z + 18};
      node.size = {float(node.rulerLength), 1.6f, 20};
      SurfaceMaterial edge;
      edge.color = {0.93, 0.90, 0.82, 1.0};
      edge.roughness = 0.6f;
      SurfaceMaterial scale;
      scale.roughness = 0.55f;
      scale.rulerScale = true;
      node.materials = {edge, scale};
      break;
    }
  }
  return node;
}

float unitScale(float extent) {
  if (!(extent > 0) || !std::isfinite(extent) || (extent >= 1 && extent <= 100000)) return 1;
  // Powers of two scale every coordinate exactly. Kept a normal float both ways.
  const int power = std::clamp(6 - std::ilogb(extent), -126, 126);
  return std::ldexp(1.0f, power);
}

float yaw(float turn, double startAngle) {
  return turn + float((startAngle - 35.0) * std::numbers::pi / 180.0);
}

}  // namespace Scene
}  // namespace vantorel
