#pragma once
// A picture size in pixels: what the studio draws and the writers encode.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantorel {

struct PixelSize {
  std::int64_t width = 0;
  std::int64_t height = 0;

  /// width ÷ height in double precision.
  double aspect() const { return double(width) / double(height); }
  /// "1920 × 1080": plain decimal integers around " × " (U+00D7), no digit grouping.
  std::string label() const;

  bool operator==(const PixelSize&) const = default;
};

/// {"width":…,"height":…}; decoding requires both keys as integers and throws
/// nlohmann::json::exception otherwise.
nlohmann::ordered_json encode(const PixelSize& size);
PixelSize decodePixelSize(const nlohmann::json& json);
void to_json(nlohmann::json& j, const PixelSize& size);
void from_json(const nlohmann::json& j, PixelSize& size);

}  // namespace vantorel

template <>
struct std::hash<vantorel::PixelSize> {
  std::size_t operator()(const vantorel::PixelSize& s) const noexcept {
    return std::hash<std::int64_t>{}(s.width) * 1000003u ^ std::hash<std::int64_t>{}(s.height);
  }
};
