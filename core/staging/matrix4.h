#pragma once
// 4×4 single-precision transforms, column-major like OpenGL's uniform layout, and the unit
// quaternions the orientations are built from.
#include "base/vector_math.h"

#include <array>

namespace vantorel {

/// A rotation as a unit quaternion: vector part (x, y, z), scalar part w.
struct Quaternion {
  float x = 0, y = 0, z = 0, w = 1;
  bool operator==(const Quaternion&) const = default;
};

/// Column-major: element (row r, column c) is m[c * 4 + r]; `m.data()` uploads to GL unchanged.
struct Matrix4 {
  std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

  static Matrix4 identity() { return {}; }
  float operator()(int row, int column) const { return m[std::size_t(column * 4 + row)]; }
  float& operator()(int row, int column) { return m[std::size_t(column * 4 + row)]; }
  bool operator==(const Matrix4&) const = default;
};

/// The product a · b (b is applied first when transforming points).
Matrix4 operator*(const Matrix4& a, const Matrix4& b);

/// The rotation matrix of `q` in the homogeneous form (x² − y² − z² + w² on the diagonal, …);
/// staged positions depend on this form's single-precision rounding.
Matrix4 rotation(const Quaternion& q);

/// Translation by `offset` (mm).
Matrix4 translation(Float3 offset);

/// Rotation by `radians` about +Y; positive turns are counter-clockwise seen from above.
Matrix4 rotationY(float radians);

/// m · (p, 1), dropping w (the matrices here are affine).
Float3 transformPoint(const Matrix4& m, Float3 p);

}  // namespace vantorel
