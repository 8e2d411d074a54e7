#include "output/output_specs.h"

#include "base/strict_json.h"

#include <string>

namespace vantorel {
namespace {

std::int64_t within(const nlohmann::json& json, const char* key, std::int64_t low, std::int64_t high) {
  const std::int64_t value = StrictJSON::integer(json, key);
  if (value < low || value > high) {
    StrictJSON::reject(std::string(key) + " must lie within " + std::to_string(low) + "…" + std::to_string(high));
  }
  return value;
}

}  // namespace

nlohmann::ordered_json encode(const VideoSpec& spec) {
  return {{"seconds", spec.seconds},           {"fps", spec.fps},
          {"aspect", rawValue(spec.aspect)},   {"resolution", rawValue(spec.resolution)},
          {"codec", rawValue(spec.codec)},     {"clockwise", spec.clockwise}};
}

nlohmann::ordered_json encode(const GIFSpec& spec) {
  return {{"shortSide", spec.shortSide}, {"fps", spec.fps}, {"seconds", spec.seconds}, {"aspect", rawValue(spec.aspect)}};
}

nlohmann::ordered_json encode(const StillSpec& spec) {
  return {{"aspect", rawValue(spec.aspect)},
          {"resolution", rawValue(spec.resolution)},
          {"includeSet", spec.includeSet},
          {"includeHero", spec.includeHero}};
}

VideoSpec decodeVideoSpec(const nlohmann::json& json) {
  using namespace SpecLimits;
  VideoSpec spec;
  spec.seconds = within(json, "seconds", kMinSeconds, kMaxSeconds);
  spec.fps = within(json, "fps", kMinFPS, kMaxFPS);
  spec.aspect = StrictJSON::field(json, "aspect").get<Aspect>();
  spec.resolution = StrictJSON::field(json, "resolution").get<Resolution>();
  spec.codec = StrictJSON::field(json, "codec").get<VideoCodec>();
  spec.clockwise = StrictJSON::boolean(json, "clockwise");
  return spec;
}

GIFSpec decodeGIFSpec(const nlohmann::json& json) {
  using namespace SpecLimits;
  GIFSpec spec;
  spec.shortSide = within(json, "shortSide", kMinGIFShortSide, kMaxGIFShortSide);
  spec.fps = within(json, "fps", kMinFPS, kMaxGIFFPS);
  spec.seconds = within(json, "seconds", kMinSeconds, kMaxSeconds);
  spec.aspect = StrictJSON::field(json, "aspect").get<Aspect>();
  return spec;
}

StillSpec decodeStillSpec(const nlohmann::json& json) {
  StillSpec spec;
  spec.aspect = StrictJSON::field(json, "aspect").get<Aspect>();
  spec.resolution = StrictJSON::field(json, "resolution").get<Resolution>();
  spec.includeSet = StrictJSON::boolean(json, "includeSet");
  spec.includeHero = StrictJSON::boolean(json, "includeHero");
  return spec;
}

void to_json(nlohmann::json& j, const VideoSpec& spec) { j = encode(spec); }
void from_json(const nlohmann::json& j, VideoSpec& spec) { spec = decodeVideoSpec(j); }
void to_json(nlohmann::json& j, const GIFSpec& spec) { j = encode(spec); }
void from_json(const nlohmann::json& j, GIFSpec& spec) { spec = decodeGIFSpec(j); }
void to_json(nlohmann::json& j, const StillSpec& spec) { j = encode(spec); }
void from_json(const nlohmann::json& j, StillSpec& spec) { spec = decodeStillSpec(j); }

}  // namespace vantorel
