#include "studio/software_mesh.h"

#include <meshoptimizer.h>

namespace vantorel {

std::optional<ModelObject> simplifiedCopy(const ModelObject& object, std::size_t limit, std::size_t target) {
  if (object.triangleCount() <= limit || object.triangleColors || object.positions.empty()) return std::nullopt;
  ModelObject copy = object;
  copy.indices.resize(object.indices.size());
  float error = 0;
  const std::size_t count =
      meshopt_simplify(copy.indices.data(), object.indices.data(), object.indices.size(), &object.positions[0].x,
                       object.positions.size(), sizeof(Float3), target * 3, 1e-3f, 0, &error);
  copy.indices.resize(count - count % 3);
  if (copy.indices.empty()) return std::nullopt;
  return copy;
}

}  // namespace vantorel
