#include "input/print_model.h"

#include "input/localized.h"

namespace vantorel {

std::string_view rawValue(ModelFormat format) {
  switch (format) {
    case ModelFormat::stlBinary: return "STL (binary)";
    case ModelFormat::stlASCII: return "STL (ASCII)";
    case ModelFormat::threeMF: return "3MF";
    case ModelFormat::obj: return "OBJ";
  }
  return "";
}

std::optional<ModelFormat> modelFormatFromRaw(std::string_view raw) {
  for (auto f : {ModelFormat::stlBinary, ModelFormat::stlASCII, ModelFormat::threeMF, ModelFormat::obj}) {
    if (rawValue(f) == raw) return f;
  }
  return std::nullopt;
}

std::string label(ModelFormat format) {
  const auto raw = rawValue(format);
  if (format == ModelFormat::stlBinary || format == ModelFormat::stlASCII) return localized(raw);
  return std::string(raw);
}

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

}  // namespace vantorel
