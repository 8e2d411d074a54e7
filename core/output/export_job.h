#pragma once
#include "output/output_specs.h"

#include <optional>
#include <string>
#include <vector>

namespace vantorel {

/// Which parts an export of everything, or a batch, makes; each settings record present is one part.
struct ExportJob {
  std::optional<VideoSpec> video;
  std::optional<GIFSpec> gif;
  std::optional<StillSpec> stills;

  /// The number of parts asked for (0 … 3).
  int parts() const { return int(video.has_value()) + int(gif.has_value()) + int(stills.has_value()); }
  /// The names of the parts asked for, in the order they are made: "video", "GIF", "product shots".
  std::vector<std::string> partNames() const;
  /// The name of the part that `fraction` (0 … 1) of the whole run falls in; empty for no parts.
  std::string partAt(double fraction) const;
  bool operator==(const ExportJob&) const = default;
};

}  // namespace vantorel
