#include "output/shot_angle.h"

#include "base/localized.h"

namespace vantorel {

const std::array<ShotAngle, 6>& ShotAngle::set() {
  // Titles are localised when first used; the set is built once and read-only afterwards.
  static const std::array<ShotAngle, 6> shots{{
      {"1-three-quarter", localized("Three-quarter"), 0, std::nullopt},
      {"2-front", localized("Front"), 35, std::nullopt},
      {"3-side", localized("Side"), -55, std::nullopt},
      {"4-back", localized("Back"), 215, std::nullopt},
      {"5-other-side", localized("Other three-quarter"), 70, std::nullopt},
      {"6-top", localized("From above"), 0, 70.0f},
  }};
  return shots;
}

float heroElevation(CameraAngle camera) {
  switch (camera) {
    case CameraAngle::threeQuarter: return 16;
    case CameraAngle::eyeLevel: return 12;
    case CameraAngle::high: return 34;
    case CameraAngle::top: return 66;
  }
  return 16;
}

}  // namespace vantorel
