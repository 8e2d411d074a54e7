#pragma once
// The closed choices of the output specs: one table each of raw values (stored, never changed) and
// English titles; base/choice.h gives them `all`, `rawValue`, `fromRaw`, `title` and JSON.
#include "base/choice.h"

#include <array>
#include <cstdint>

namespace vantorel {

/// The shape of the picture; the side with factor 1 is the short side.
enum class Aspect { square, portrait45, landscape43, wide169 };
constexpr auto choiceCases(Aspect) {
  return std::to_array<ChoiceCase<Aspect>>({{Aspect::square, "square", "Square 1:1"},
                                            {Aspect::portrait45, "portrait45", "Portrait 4:5"},
                                            {Aspect::landscape43, "landscape43", "Landscape 4:3"},
                                            {Aspect::wide169, "wide169", "Wide 16:9"}});
}
/// Width and height per unit of short side: 1 × 1, 1 × 1.25, 4/3 × 1, 16/9 × 1.
double widthFactor(Aspect aspect);
double heightFactor(Aspect aspect);

/// The length of the picture's short side in pixels; the raw value is that length.
enum class Resolution { r720, r1080, r1600, r2000, r2160 };
constexpr auto choiceCases(Resolution) {
  return std::to_array<ChoiceCase<Resolution, std::int64_t>>({{Resolution::r720, 720, ""},
                                                              {Resolution::r1080, 1080, ""},
                                                              {Resolution::r1600, 1600, ""},
                                                              {Resolution::r2000, 2000, ""},
                                                              {Resolution::r2160, 2160, "2160 (4K)"}});
}

enum class VideoCodec { h264, hevc };
constexpr auto choiceCases(VideoCodec) {
  return std::to_array<ChoiceCase<VideoCodec>>({{VideoCodec::h264, "h264", "H.264 (plays everywhere)"},
                                                {VideoCodec::hevc, "hevc", "HEVC (smaller files)"}});
}

}  // namespace vantorel
