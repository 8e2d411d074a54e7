#pragma once
// What an export produces: the turntable video, the animated GIF and the product shots.
// Strict JSON: the keys are the field names in field order; decoding fails whole (throwing
// nlohmann::json::exception) on a missing key, a wrong type, a raw value that names no case, or
// values that would break an export (see each decode function), so callers keep their defaults.
#include "output/export_size.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>

namespace vantorel {

struct VideoSpec {
  std::int64_t seconds = 10;  ///< one full turn takes the whole length
  std::int64_t fps = 30;
  Aspect aspect = Aspect::square;
  Resolution resolution = Resolution::r1080;
  VideoCodec codec = VideoCodec::h264;
  bool clockwise = false;  ///< every frame angle negated

  /// The offered lengths in seconds.
  static constexpr std::array<std::int64_t, 3> durations{5, 10, 15};

  PixelSize size() const { return ExportSize::pixels(aspect, resolution); }
  std::int64_t frameCount() const { return seconds * fps; }
  /// The turn of `frame` in radians (see Turntable::angle).
  float angle(std::int64_t frame) const { return Turntable::angle(frame, frameCount(), clockwise); }

  bool operator==(const VideoSpec&) const = default;
};

struct GIFSpec {
  std::int64_t shortSide = 600;  ///< pixels
  std::int64_t fps = 20;
  std::int64_t seconds = 10;  ///< one full turn
  Aspect aspect = Aspect::square;

  /// The offered short sides in pixels.
  static constexpr std::array<std::int64_t, 3> sizes{480, 600, 800};

  PixelSize size() const { return ExportSize::pixels(aspect, shortSide); }
  std::int64_t frameCount() const { return seconds * fps; }

  bool operator==(const GIFSpec&) const = default;
};

struct StillSpec {
  Aspect aspect = Aspect::square;
  Resolution resolution = Resolution::r1080;
  bool includeSet = true;   ///< the six fixed angles
  bool includeHero = true;  ///< the hero shot

  PixelSize size() const { return ExportSize::pixels(aspect, resolution); }

  bool operator==(const StillSpec&) const = default;
};

/// The ranges a decoded spec must keep; the writers and the exporter rely on them.
namespace SpecLimits {
inline constexpr std::int64_t kMinFPS = 1, kMaxFPS = 240;
// GIF delays count hundredths of a second, so faster frames can't be timed.
inline constexpr std::int64_t kMaxGIFFPS = 100;
inline constexpr std::int64_t kMinSeconds = 0, kMaxSeconds = 600;
inline constexpr std::int64_t kMinGIFShortSide = 2, kMaxGIFShortSide = 4320;
}  // namespace SpecLimits

nlohmann::ordered_json encode(const VideoSpec& spec);
nlohmann::ordered_json encode(const GIFSpec& spec);
nlohmann::ordered_json encode(const StillSpec& spec);

/// Also rejects fps outside 1…240 and seconds outside 0…600.
VideoSpec decodeVideoSpec(const nlohmann::json& json);
/// Also rejects fps outside 1…100, seconds outside 0…600 and a short side outside 2…4320.
GIFSpec decodeGIFSpec(const nlohmann::json& json);
StillSpec decodeStillSpec(const nlohmann::json& json);

void to_json(nlohmann::json& j, const VideoSpec& spec);
void from_json(const nlohmann::json& j, VideoSpec& spec);
void to_json(nlohmann::json& j, const GIFSpec& spec);
void from_json(const nlohmann::json& j, GIFSpec& spec);
void to_json(nlohmann::json& j, const StillSpec& spec);
void from_json(const nlohmann::json& j, StillSpec& spec);

}  // namespace vantorel
