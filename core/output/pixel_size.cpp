#include "output/pixel_size.h"

#include "base/strict_json.h"

namespace vantorel {

std::string PixelSize::label() const { return std::to_string(width) + " \u00D7 " + std::to_string(height); }

nlohmann::ordered_json encode(const PixelSize& size) { return {{"width", size.width}, {"height", size.height}}; }

PixelSize decodePixelSize(const nlohmann::json& json) {
  return {StrictJSON::integer(json, "width"), StrictJSON::integer(json, "height")};
}

void to_json(nlohmann::json& j, const PixelSize& size) { j = encode(size); }
void from_json(const nlohmann::json& j, PixelSize& size) { size = decodePixelSize(j); }

}  // namespace vantorel
