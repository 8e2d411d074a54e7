#pragma once
// The closed choices of the output specs. Each has a raw value (stored, never changed) and a
// title in the user's language; `all…` lists the cases in picker order.
#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

/// The shape of the picture; the side with factor 1 is the short side.
enum class Aspect { square, portrait45, landscape43, wide169 };
inline constexpr std::array<Aspect, 4> allAspects{Aspect::square, Aspect::portrait45, Aspect::landscape43,
                                                  Aspect::wide169};
std::string_view rawValue(Aspect aspect);
/// Exact, case-sensitive match of a raw value ("Square" gives nothing).
std::optional<Aspect> aspectFromRaw(std::string_view raw);
std::string title(Aspect aspect);
/// Width and height per unit of short side: 1 × 1, 1 × 1.25, 4/3 × 1, 16/9 × 1.
double widthFactor(Aspect aspect);
double heightFactor(Aspect aspect);

/// The length of the picture's short side in pixels; the raw value is that length.
enum class Resolution { r720, r1080, r1600, r2000, r2160 };
inline constexpr std::array<Resolution, 5> allResolutions{Resolution::r720, Resolution::r1080, Resolution::r1600,
                                                          Resolution::r2000, Resolution::r2160};
std::int64_t rawValue(Resolution resolution);
/// Nothing for any integer that is not one of the five raw values.
std::optional<Resolution> resolutionFromRaw(std::int64_t raw);
std::string title(Resolution resolution);

enum class VideoCodec { h264, hevc };
inline constexpr std::array<VideoCodec, 2> allVideoCodecs{VideoCodec::h264, VideoCodec::hevc};
std::string_view rawValue(VideoCodec codec);
std::optional<VideoCodec> videoCodecFromRaw(std::string_view raw);
std::string title(VideoCodec codec);

void to_json(nlohmann::json& j, Aspect value);
void from_json(const nlohmann::json& j, Aspect& value);
void to_json(nlohmann::json& j, Resolution value);
void from_json(const nlohmann::json& j, Resolution& value);
void to_json(nlohmann::json& j, VideoCodec value);
void from_json(const nlohmann::json& j, VideoCodec& value);

}  // namespace vantorel
