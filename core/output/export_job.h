#pragma once
#include "output/output_specs.h"

#include <optional>

namespace vantorel {

/// Which parts an export of everything, or a batch, makes; each settings record present is one part.
struct ExportJob {
  std::optional<VideoSpec> video;
  std::optional<GIFSpec> gif;
  std::optional<StillSpec> stills;

  /// The number of parts asked for (0 … 3).
  int parts() const { return int(video.has_value()) + int(gif.has_value()) + int(stills.has_value()); }
  bool operator==(const ExportJob&) const = default;
};

}  // namespace vantorel
