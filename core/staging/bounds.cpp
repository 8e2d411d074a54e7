#include "staging/bounds.h"

namespace vantorel {

Bounds Bounds::of(std::span<const Float3> points) {
  Bounds box;
  for (const Float3& p : points) box.include(p);
  return box;
}

Float3 Bounds::size() const { return isEmpty() ? Float3{} : max - min; }

Float3 Bounds::center() const { return isEmpty() ? Float3{} : (min + max) * 0.5f; }

void Bounds::include(Float3 point) {
  min = componentMin(min, point);
  max = componentMax(max, point);
}

void Bounds::formUnion(const Bounds& other) {
  if (other.isEmpty()) return;
  min = componentMin(min, other.min);
  max = componentMax(max, other.max);
}

std::vector<Float3> Bounds::corners() const {
  if (isEmpty()) return {};
  std::vector<Float3> points;
  points.reserve(8);
  for (int i = 0; i < 8; ++i) {
    points.push_back({i & 1 ? max.x : min.x, i & 2 ? max.y : min.y, i & 4 ? max.z : min.z});
  }
  return points;
}

Bounds Bounds::transformed(const Matrix4& m) const {
  Bounds box;
  for (const Float3& corner : corners()) box.include(transformPoint(m, corner));
  return box;
}

}  // namespace vantorel
