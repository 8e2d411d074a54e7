#pragma once
// The six ready-made combinations of output settings the inspector offers.
#include "output/output_specs.h"

#include <optional>
#include <string>
#include <string_view>
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

  /// The preset with identifier `id`; nullptr for an unknown one.
  static const OutputPreset* byId(std::string_view id);

  /// Sets what the preset sets and leaves the rest: its video spec (and then the GIF follows the
  /// video), its still aspect and its still resolution.
  void apply(VideoSpec& video, GIFSpec& gif, StillSpec& stills) const;

  bool operator==(const OutputPreset&) const = default;
};

/// The GIF has no length or shape of its own: it takes the video's seconds and aspect.
void followVideo(GIFSpec& gif, const VideoSpec& video);

}  // namespace vantorel
