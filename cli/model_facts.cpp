#include "model_facts.h"

#include "base/number_format.h"
#include "staging/staged_facts.h"

#include <sstream>

namespace vantorel::cli {

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
  const StagedFacts staged = StagedFacts::of(model, orientation);
  const auto factor = staged.suggestedFactor();
  nlohmann::ordered_json facts = {{"file", file.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(file)},
          {"name", model.name},
          {"format", rawValue(model.format)},
          {"unit", model.unit},
          {"triangles", model.triangleCount()},
          {"vertices", model.vertexCount()},
          {"objects", std::move(objects)},
          {"palette", std::move(palette)},
          {"notes", model.notes},
          {"size_mm", staged.millimetres()},
          {"scale_check", staged.checkName()},
          {"suggested_factor", factor ? nlohmann::ordered_json(*factor) : nlohmann::ordered_json(nullptr)}};
  if (!model.plates.empty()) {
    nlohmann::ordered_json plates = nlohmann::ordered_json::array();
    for (const auto& p : model.plates) {
      plates.push_back({{"number", p.number},
                        {"name", p.name.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(p.name)},
                        {"objects", p.objects}});
    }
    facts["plates"] = std::move(plates);
    facts["shown_plate"] = model.shownPlate ? nlohmann::ordered_json(*model.shownPlate) : nlohmann::ordered_json("all");
  }
  return facts;
}

std::string modelFactsText(const PrintModel& model, const std::string& file, Orientation orientation) {
  std::ostringstream out;
  out << model.name << "\n";
  if (!file.empty()) out << "  File       " << file << "\n";
  out << "  Format     " << title(model.format) << "\n";
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
  const StagedFacts staged = StagedFacts::of(model, orientation);
  out << "  Size       " << staged.sizeText() << "\n";
  if (const auto scale = staged.scaleText()) out << "  Scale      " << *scale << "\n";
  out << "  Palette    ";
  if (model.palette.empty()) out << "none";
  for (std::size_t i = 0; i < model.palette.size(); ++i) out << (i ? " " : "") << hexText(model.palette[i]);
  out << "\n";
  for (std::size_t i = 0; i < model.plates.size(); ++i) {
    const Plate& p = model.plates[i];
    out << (i ? "             " : "  Plates     ") << p.number;
    if (!p.name.empty()) out << " \"" << p.name << "\"";
    out << ": ";
    if (p.objects.empty()) out << "empty";
    for (std::size_t k = 0; k < p.objects.size(); ++k) out << (k ? ", " : "") << p.objects[k];
    if (model.shownPlate == p.number) out << " (shown)";
    out << "\n";
  }
  if (model.notes.empty()) out << "  Notes      none\n";
  for (std::size_t i = 0; i < model.notes.size(); ++i) out << (i ? "             " : "  Notes      ") << model.notes[i] << "\n";
  return out.str();
}

}  // namespace vantorel::cli
