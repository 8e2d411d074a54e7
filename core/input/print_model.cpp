#include "input/print_model.h"

#include "base/localized.h"
#include "base/number_format.h"

namespace vantorel {

std::size_t PrintModel::triangleCount() const {
  std::size_t n = 0;
  for (const auto& o : objects) n += o.triangleCount();
  return n;
}

std::size_t PrintModel::vertexCount() const {
  std::size_t n = 0;
  for (const auto& o : objects) n += o.positions.size();
  return n;
}

bool PrintModel::hasColors() const {
  if (palette.empty()) return false;
  for (const auto& o : objects) {
    if (o.color || o.triangleColors) return true;
  }
  return false;
}

PrintModel PrintModel::scaled(float factor) const {
  PrintModel copy = *this;
  for (auto& o : copy.objects) {
    for (auto& p : o.positions) p = {p.x * factor, p.y * factor, p.z * factor};
  }
  return copy;
}

void noteInvalidTriangles(PrintModel& model, std::size_t count) {
  if (count == 1) {
    model.notes.push_back(localized("1 triangle with invalid coordinates left out."));
  } else if (count > 1) {
    model.notes.push_back(formatCount(count) + localized(" triangles with invalid coordinates left out."));
  }
}

}  // namespace vantorel
