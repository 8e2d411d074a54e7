#pragma once
// The facts `vantorel-cli info` prints about a model, as text for people and JSON for scripts.
#include "input/print_model.h"
#include "staging/orientation.h"

#include <nlohmann/json.hpp>

#include <string>

namespace vantorel::cli {

/// One JSON object: file, name, format, unit, triangles, vertices, objects, palette, notes, then the
/// staged facts for `orientation`: size_mm ([width, depth, height] in mm, to the micrometre), scale_check ("ok",
/// "tooSmall" or "tooLarge") and suggested_factor (a number, or null when the check is ok); a slicer
/// project with plates adds plates (number, name or null, objects) and shown_plate (a number or "all").
nlohmann::ordered_json modelFacts(const PrintModel& model, const std::string& file,
                                  Orientation orientation = Orientation::asPrinted);

/// The same facts as an indented block of text, with the size line "W × D × H mm" (and inches) and,
/// when the size looks like another unit, the scale check's sentence and suggested factor, and a
/// project's plates with their objects.
std::string modelFactsText(const PrintModel& model, const std::string& file,
                           Orientation orientation = Orientation::asPrinted);

}  // namespace vantorel::cli
