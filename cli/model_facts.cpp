#include "model_facts.h"

#include "input/number_format.h"
#include "staging/placement.h"
#include "staging/scale_check.h"
#include "staging/vector_math.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace vantorel::cli {
namespace {

// Fixed-point text with a full stop whatever the locale (main() adopts the user's locale).
std::string fixed(double value, int decimals) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return std::string(text, result.ptr);
}

// The shortest decimal text that reads back as `value` ("0.03937008").
std::string shortest(float value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// That decimal as a double, so JSON shows 0.03937008 rather than the float's binary expansion.
double decimal(float value) {
  const std::string text = shortest(value);
  double wide = value;
  std::from_chars(text.data(), text.data() + text.size(), wide);
  return wide;
}

// Millimetres to the micrometre: the rotation's rounding (30.000002) is noise, not a fact.
double micrometres(float mm) { return std::round(double(mm) * 1000.0) / 1000.0; }

struct StagedFacts {
  Float3 size;  // width (x), depth (z), height (y) in mm
  ScaleCheck check;
};

StagedFacts stagedFacts(const PrintModel& model, Orientation orientation) {
  const Float3 staged = Placement::of(model, orientation).stagedSize();
  return {{staged.x, staged.z, staged.y}, ScaleCheck::of(staged)};
}

std::string_view checkName(const ScaleCheck& check) {
  switch (check.kind) {
    case ScaleCheck::Kind::tooSmall: return "tooSmall";
    case ScaleCheck::Kind::tooLarge: return "tooLarge";
    case ScaleCheck::Kind::ok: return "ok";
  }
  return "ok";
}

}  // namespace

nlohmann::ordered_json modelFacts(const PrintModel& model, const std::string& file, Orientation orientation) {
  nlohmann::ordered_json objects = nlohmann::ordered_json::array();
  for (const auto& o : model.objects) {
    objects.push_back({{"id", o.id},
                       {"name", o.name},
                       {"triangles", o.triangleCount()},
                       {"color", o.color ? nlohmann::ordered_json(*o.color) : nlohmann::ordered_json(nullptr)},
                       {"triangleColors", o.triangleColors.has_value()}});
  }
  nlohmann::ordered_json palette = nlohmann::ordered_json::array();
  for (const auto& c : model.palette) palette.push_back(hexText(c));
  const StagedFacts staged = stagedFacts(model, orientation);
  const auto factor = staged.check.suggestedFactor();
  return {{"file", file.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(file)},
          {"name", model.name},
          {"format", rawValue(model.format)},
          {"unit", model.unit},
          {"triangles", model.triangleCount()},
          {"vertices", model.vertexCount()},
          {"objects", std::move(objects)},
          {"palette", std::move(palette)},
          {"notes", model.notes},
          {"size_mm", {micrometres(staged.size.x), micrometres(staged.size.y), micrometres(staged.size.z)}},
          {"scale_check", checkName(staged.check)},
          {"suggested_factor", factor ? nlohmann::ordered_json(decimal(*factor)) : nlohmann::ordered_json(nullptr)}};
}

std::string modelFactsText(const PrintModel& model, const std::string& file, Orientation orientation) {
  std::ostringstream out;
  out << model.name << "\n";
  if (!file.empty()) out << "  File       " << file << "\n";
  out << "  Format     " << label(model.format) << "\n";
  out << "  Unit       " << model.unit << "\n";
  out << "  Objects    " << formatCount(model.objects.size()) << "\n";
  for (const auto& o : model.objects) {
    out << "    #" << o.id << "  " << o.name << ": " << formatCount(o.triangleCount()) << " triangles";
    if (o.triangleColors) {
      out << ", colours per triangle";
    } else if (o.color && std::size_t(*o.color) < model.palette.size()) {
      out << ", colour " << hexText(model.palette[std::size_t(*o.color)]);
    }
    out << "\n";
  }
  out << "  Triangles  " << formatCount(model.triangleCount()) << "\n";
  out << "  Vertices   " << formatCount(model.vertexCount()) << "\n";
  const StagedFacts staged = stagedFacts(model, orientation);
  const Float3 inches = staged.size * (1.0f / 25.4f);
  out << "  Size       " << fixed(staged.size.x, 1) << " \u00D7 " << fixed(staged.size.y, 1) << " \u00D7 "
      << fixed(staged.size.z, 1) << " mm (" << fixed(inches.x, 2) << " \u00D7 " << fixed(inches.y, 2) << " \u00D7 "
      << fixed(inches.z, 2) << " in)\n";
  if (const auto message = staged.check.message()) {
    out << "  Scale      " << *message << " Suggested factor: " << shortest(*staged.check.suggestedFactor()) << "\n";
  }
  out << "  Palette    ";
  if (model.palette.empty()) out << "none";
  for (std::size_t i = 0; i < model.palette.size(); ++i) out << (i ? " " : "") << hexText(model.palette[i]);
  out << "\n";
  if (model.notes.empty()) out << "  Notes      none\n";
  for (std::size_t i = 0; i < model.notes.size(); ++i) out << (i ? "             " : "  Notes      ") << model.notes[i] << "\n";
  return out.str();
}

}  // namespace vantorel::cli
