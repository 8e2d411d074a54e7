#pragma once
// Everything about a picture that is not the model: a plain value the inspector edits, the
// application persists as JSON and the studio turns into lights, materials and geometry.
#include "base/rgba.h"
#include "input/print_model.h"
#include "staging/look_choices.h"
#include "staging/orientation.h"

#include <nlohmann/json.hpp>

namespace vantorel {

struct Look {
  Finish finish = Finish::matte;
  RGBA color{0.13, 0.33, 0.75, 1.0};  ///< the "Blue" swatch
  bool useFileColors = true;
  bool layerLines = false;
  double layerHeight = 0.2;  ///< mm
  BackgroundStyle background = BackgroundStyle::studio;
  RGBA backgroundColor{0.94, 0.94, 0.95, 1.0};
  LightingPreset lighting = LightingPreset::softStudio;
  bool shadow = true;
  ScaleReference scaleReference = ScaleReference::none;
  Orientation orientation = Orientation::asPrinted;
  CameraAngle camera = CameraAngle::threeQuarter;
  double startAngle = 0;  ///< degrees

  bool operator==(const Look&) const = default;
};

/// The look a freshly loaded model starts with: the default look, showing the file's own colours
/// exactly when it has some.
inline Look defaultLook(const PrintModel& model) {
  Look look;
  look.useFileColors = model.hasColors();
  return look;
}

/// The layer heights the inspector offers (mm): fine, standard, draft.
inline constexpr std::array<double, 3> offeredLayerHeights{0.12, 0.2, 0.28};

/// The JSON object with exactly the thirteen field names as keys, in field order.
nlohmann::ordered_json encode(const Look& look);

/// Strict decoding: every one of the thirteen keys must be present with the right type and, for
/// choices, a known raw value; other keys are ignored. Throws nlohmann::json::exception otherwise.
Look decodeLook(const nlohmann::json& json);

void to_json(nlohmann::json& j, const Look& look);
void from_json(const nlohmann::json& j, Look& look);

}  // namespace vantorel
