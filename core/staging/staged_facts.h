#pragma once
// What staging says about a model's size, as both front ends show it: the staged size in millimetres
// and inches, and the scale check with the factor that would fix a wrong unit.
#include "base/vector_math.h"
#include "input/print_model.h"
#include "staging/orientation.h"
#include "staging/scale_check.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

struct StagedFacts {
  Float3 size;  ///< width (x), depth (z) and height (y) of the staged model, in mm
  ScaleCheck check;

  static StagedFacts of(const PrintModel& model, Orientation orientation);

  /// [width, depth, height] in mm to the micrometre: a rotation's 30.000002 is noise, not a fact.
  std::array<double, 3> millimetres() const;
  /// "W × D × H mm (W × D × H in)": one decimal in mm, two in inches, a full stop whatever the locale.
  std::string sizeText() const;
  /// The scale check's sentence, then "Suggested factor: " and the factor; nothing when the check is ok.
  std::optional<std::string> scaleText() const;
  /// The suggested factor as the decimal it reads as (0.03937008, not the float's binary expansion).
  std::optional<double> suggestedFactor() const;
  /// The check's stable name: "ok", "tooSmall" or "tooLarge".
  std::string_view checkName() const;
};

}  // namespace vantorel
