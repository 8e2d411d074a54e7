#include "staging/orientation.h"

namespace vantorel {

Matrix4 rotation(Orientation orientation) {
  // These are the single-precision values of ±sin 45°, cos 45° and cos 90°; the staged positions
  // depend on their exact rounding, so they are spelled out rather than computed.
  constexpr float s = 0.70710677f, c = 0.70710683f;
  const Matrix4 base = rotation(Quaternion{-s, 0, 0, c});  // −90° about X: file +Z becomes scene +Y
  switch (orientation) {
    case Orientation::asPrinted: return base;
    case Orientation::standUp: return rotation(Quaternion{s, 0, 0, c}) * base;
    case Orientation::onSide: return rotation(Quaternion{0, 0, s, c}) * base;
    case Orientation::upsideDown: return rotation(Quaternion{1, 0, 0, 7.54979e-8f}) * base;
    case Orientation::yUp: return Matrix4::identity();
  }
  return base;
}

}  // namespace vantorel
