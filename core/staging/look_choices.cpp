#include "staging/look_choices.h"

namespace vantorel {

FinishMaterial material(Finish finish) {
  switch (finish) {
    case Finish::matte: return {0.62f, 0, 0};
    case Finish::silk: return {0.28f, 0.55f, 0.25f};
    case Finish::gloss: return {0.2f, 0, 0.9f};
    case Finish::tpu: return {0.82f, 0, 0};
  }
  return {};
}

float elevation(CameraAngle angle) {
  switch (angle) {
    case CameraAngle::threeQuarter: return 22;
    case CameraAngle::eyeLevel: return 6;
    case CameraAngle::high: return 40;
    case CameraAngle::top: return 72;
  }
  return 22;
}

}  // namespace vantorel
