#include "staging/matrix4.h"

#include <cmath>

namespace vantorel {

Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
  Matrix4 r;
  for (int c = 0; c < 4; ++c) {
    for (int row = 0; row < 4; ++row) {
      r(row, c) = a(row, 0) * b(0, c) + a(row, 1) * b(1, c) + a(row, 2) * b(2, c) + a(row, 3) * b(3, c);
    }
  }
  return r;
}

Matrix4 rotation(const Quaternion& q) {
  const float x = q.x, y = q.y, z = q.z, w = q.w;
  Matrix4 r;
  r(0, 0) = x * x - y * y - z * z + w * w;
  r(1, 0) = 2 * (x * y + z * w);
  r(2, 0) = 2 * (x * z - y * w);
  r(0, 1) = 2 * (x * y - z * w);
  r(1, 1) = y * y - z * z + w * w - x * x;
  r(2, 1) = 2 * (y * z + x * w);
  r(0, 2) = 2 * (z * x + y * w);
  r(1, 2) = 2 * (y * z - x * w);
  r(2, 2) = z * z + w * w - x * x - y * y;
  return r;
}

Matrix4 translation(Float3 offset) {
  Matrix4 r;
  r(0, 3) = offset.x;
  r(1, 3) = offset.y;
  r(2, 3) = offset.z;
  return r;
}

Matrix4 rotationY(float radians) {
  const float c = std::cos(radians), s = std::sin(radians);
  Matrix4 r;
  r(0, 0) = c;
  r(0, 2) = s;
  r(2, 0) = -s;
  r(2, 2) = c;
  return r;
}

Float3 transformPoint(const Matrix4& m, Float3 p) {
  return {m(0, 0) * p.x + m(0, 1) * p.y + m(0, 2) * p.z + m(0, 3),
          m(1, 0) * p.x + m(1, 1) * p.y + m(1, 2) * p.z + m(1, 3),
          m(2, 0) * p.x + m(2, 1) * p.y + m(2, 2) * p.z + m(2, 3)};
}

}  // namespace vantorel
