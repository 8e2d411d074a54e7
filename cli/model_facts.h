#pragma once
// The facts `vantorel-cli info` prints about a model, as text for people and JSON for scripts.
#include "input/print_model.h"
#include "staging/orientation.h"

#include <nlohmann/json.hpp>

#include <string>

namespace vantorel::cli {

/// One JSON object: file, name, format, unit, triangles, vertices, objects, palette, notes, then the
/// staged facts for `orientation`: size_mm ([width, depth, height] in mm, to the micrometre), scale_check ("ok",
/// "tooSmall" or "tooLarge") and suggested_factor (a number, or null when the check is ok).
nlohmann::ordered_json modelFacts(const PrintModel& model, const std::string& file,
                                  Orientation orientation = Orientation::asPrinted);

/// The same facts as an indented block of text, with the size line "W × D × H mm" (and inches) and,
/// when the size looks like another unit, the scale check's sentence and suggested factor.
std::string modelFactsText(const PrintModel& model, const std::string& file,
                           Orientation orientation = Orientation::asPrinted);

}  // namespace vantorel::cli
