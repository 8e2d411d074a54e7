#pragma once
// The facts `vantorel-cli info` prints about a model, as text for people and JSON for scripts.
#include "input/print_model.h"

#include <nlohmann/json.hpp>

#include <string>

namespace vantorel::cli {

/// One JSON object: file, name, format, unit, triangles, vertices, objects, palette, notes.
nlohmann::ordered_json modelFacts(const PrintModel& model, const std::string& file);

/// The same facts as an indented block of text.
std::string modelFactsText(const PrintModel& model, const std::string& file);

}  // namespace vantorel::cli
