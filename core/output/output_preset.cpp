#include "output/output_preset.h"

#include "base/localized.h"

#include <algorithm>

namespace vantorel {
namespace {

std::vector<OutputPreset> makePresets() {
  const auto video = [](std::int64_t seconds, Aspect aspect) {
    return VideoSpec{seconds, 30, aspect, Resolution::r1080, VideoCodec::h264, false};
  };
  return {
      {"listing-video", localized("Listing video"),
       localized("Square, 1080, 10 seconds, H.264. Most shops ask for 15 seconds or less."), video(10, Aspect::square),
       std::nullopt, std::nullopt},
      {"listing-video-15", localized("Listing video, full 15 s"),
       localized("Square, 1080, 15 seconds, H.264: a slower turn."), video(15, Aspect::square), std::nullopt,
       std::nullopt},
      {"listing-photos-square", localized("Listing photos, square"),
       localized("Square stills, 2000 px: the main photo and gallery of most marketplaces."), std::nullopt,
       Aspect::square, Resolution::r2000},
      {"listing-photos-43", localized("Listing photos, 4:3"),
       localized("Landscape stills, 2000 px tall (2666 \u00D7 2000), for shops that crop to 4:3."), std::nullopt,
       Aspect::landscape43, Resolution::r2000},
      {"social-video", localized("Social video, 4:5"), localized("Portrait 1080 \u00D7 1350, 10 seconds."),
       video(10, Aspect::portrait45), Aspect::portrait45, Resolution::r1080},
      {"model-page", localized("Model page, 16:9"),
       localized("Wide 1920 \u00D7 1080, 10 seconds, for model pages and slideshows."), video(10, Aspect::wide169),
       Aspect::wide169, Resolution::r1080},
  };
}

}  // namespace

const std::vector<OutputPreset>& OutputPreset::all() {
  static const std::vector<OutputPreset> presets = makePresets();
  return presets;
}

const OutputPreset* OutputPreset::byId(std::string_view id) {
  const auto& presets = all();
  const auto found = std::find_if(presets.begin(), presets.end(), [&](const OutputPreset& p) { return p.id == id; });
  return found == presets.end() ? nullptr : &*found;
}

void OutputPreset::apply(VideoSpec& videoSpec, GIFSpec& gif, StillSpec& stills) const {
  if (video) {
    videoSpec = *video;
    followVideo(gif, videoSpec);
  }
  if (stillAspect) stills.aspect = *stillAspect;
  if (stillResolution) stills.resolution = *stillResolution;
}

void followVideo(GIFSpec& gif, const VideoSpec& video) {
  gif.seconds = video.seconds;
  gif.aspect = video.aspect;
}

}  // namespace vantorel
