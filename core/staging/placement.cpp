#include "staging/placement.h"

#include <algorithm>
#include <cmath>

namespace vantorel {

Placement Placement::of(const PrintModel& model, Orientation orientation, const HiddenObjects& hidden) {
  const Matrix4 r = rotation(orientation);
  const auto visible = [&hidden](const ModelObject& o) { return !hidden.contains(o.id); };

  Bounds box;
  for (const ModelObject& o : model.objects) {
    if (!visible(o)) continue;
    for (const Float3& p : o.positions) box.include(transformPoint(r, p));
  }
  if (box.isEmpty()) box = {Float3{}, Float3{}};

  const Float3 c = box.center();
  // The vertical shift uses the lowest point, not the centre: the model rests on the floor.
  const Float3 shift{c.x, box.min.y, c.z};

  Placement placement;
  placement.transform = translation(Float3{} - shift) * r;
  placement.bounds = {box.min - shift, box.max - shift};
  for (const ModelObject& o : model.objects) {
    if (!visible(o)) continue;
    for (const Float3& p : o.positions) {
      const Float3 q = transformPoint(r, p);
      const float dx = q.x - c.x, dz = q.z - c.z;
      // The squares overflow beyond 1e19 mm and vanish below 1e-19 mm, where hypot still holds.
      const float s = dx * dx + dz * dz;
      placement.radius = std::max(placement.radius, std::isnormal(s) ? std::sqrt(s) : std::hypot(dx, dz));
    }
  }
  return placement;
}

}  // namespace vantorel
