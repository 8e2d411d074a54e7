#pragma once
// The six ready-made combinations of output settings the inspector offers.
#include "output/output_specs.h"

#include <optional>
#include <string>
#include <vector>

namespace vantorel {

struct OutputPreset {
  std::string id;      ///< stable identifier
  std::string title;   ///< short name, in the user's language
  std::string detail;  ///< one sentence, in the user's language
  std::optional<VideoSpec> video;
  std::optional<Aspect> stillAspect;
  std::optional<Resolution> stillResolution;

  /// The six presets, built once on first use (thread-safe) and never changed. Titles and details
  /// are localised when the list is built, so install the translator before first use.
  static const std::vector<OutputPreset>& all();

  bool operator==(const OutputPreset&) const = default;
};

}  // namespace vantorel
