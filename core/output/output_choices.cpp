#include "output/output_choices.h"

#include "input/localized.h"
#include "staging/strict_json.h"

#include <nlohmann/json.hpp>

#include <cstdint>

namespace vantorel {

std::string_view rawValue(Aspect aspect) {
  switch (aspect) {
    case Aspect::square: return "square";
    case Aspect::portrait45: return "portrait45";
    case Aspect::landscape43: return "landscape43";
    case Aspect::wide169: return "wide169";
  }
  return "";
}

std::optional<Aspect> aspectFromRaw(std::string_view raw) {
  for (Aspect a : allAspects) {
    if (rawValue(a) == raw) return a;
  }
  return std::nullopt;
}

std::string title(Aspect aspect) {
  switch (aspect) {
    case Aspect::square: return localized("Square 1:1");
    case Aspect::portrait45: return localized("Portrait 4:5");
    case Aspect::landscape43: return localized("Landscape 4:3");
    case Aspect::wide169: return localized("Wide 16:9");
  }
  return {};
}

double widthFactor(Aspect aspect) {
  switch (aspect) {
    case Aspect::square: return 1;
    case Aspect::portrait45: return 1;
    case Aspect::landscape43: return 4.0 / 3.0;
    case Aspect::wide169: return 16.0 / 9.0;
  }
  return 1;
}

double heightFactor(Aspect aspect) { return aspect == Aspect::portrait45 ? 1.25 : 1.0; }

std::int64_t rawValue(Resolution resolution) {
  switch (resolution) {
    case Resolution::r720: return 720;
    case Resolution::r1080: return 1080;
    case Resolution::r1600: return 1600;
    case Resolution::r2000: return 2000;
    case Resolution::r2160: return 2160;
  }
  return 0;
}

std::optional<Resolution> resolutionFromRaw(std::int64_t raw) {
  for (Resolution r : allResolutions) {
    if (rawValue(r) == raw) return r;
  }
  return std::nullopt;
}

std::string title(Resolution resolution) {
  if (resolution == Resolution::r2160) return localized("2160 (4K)");
  return std::to_string(rawValue(resolution));
}

std::string_view rawValue(VideoCodec codec) { return codec == VideoCodec::hevc ? "hevc" : "h264"; }

std::optional<VideoCodec> videoCodecFromRaw(std::string_view raw) {
  for (VideoCodec c : allVideoCodecs) {
    if (rawValue(c) == raw) return c;
  }
  return std::nullopt;
}

std::string title(VideoCodec codec) {
  return codec == VideoCodec::hevc ? localized("HEVC (smaller files)") : localized("H.264 (plays everywhere)");
}

void to_json(nlohmann::json& j, Aspect value) { j = rawValue(value); }
void from_json(const nlohmann::json& j, Aspect& value) { value = StrictJSON::choice<Aspect>(j, aspectFromRaw); }

void to_json(nlohmann::json& j, Resolution value) { j = rawValue(value); }
void from_json(const nlohmann::json& j, Resolution& value) {
  if (!j.is_number_integer()) throw nlohmann::json::type_error::create(302, "a resolution must be an integer", &j);
  // An unsigned number beyond the signed range is no resolution either; keep it from wrapping.
  const bool huge = j.is_number_unsigned() && j.get<std::uint64_t>() > std::uint64_t(INT64_MAX);
  const auto parsed = huge ? std::nullopt : resolutionFromRaw(j.get<std::int64_t>());
  if (!parsed) StrictJSON::reject("unknown resolution " + j.dump());
  value = *parsed;
}

void to_json(nlohmann::json& j, VideoCodec value) { j = rawValue(value); }
void from_json(const nlohmann::json& j, VideoCodec& value) { value = StrictJSON::choice<VideoCodec>(j, videoCodecFromRaw); }

}  // namespace vantorel
