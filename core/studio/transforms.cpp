#include "studio/transforms.h"

#include <cmath>
#include <numbers>

namespace vantorel {

Quaternion axisAngle(Float3 axis, float radians) {
  const float s = std::sin(radians * 0.5f);
  return {axis.x * s, axis.y * s, axis.z * s, std::cos(radians * 0.5f)};
}

Quaternion operator*(const Quaternion& a, const Quaternion& b) {
  return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
          a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
          a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
          a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

Float3 rotate(const Quaternion& q, Float3 v) {
  const Float3 u{q.x, q.y, q.z};
  const Float3 t = 2.0f * cross(u, v);
  return v + q.w * t + cross(u, t);
}

Matrix4 lookAt(Float3 eye, Float3 target, Float3 up) {
  Float3 forward = target - eye;
  forward = lengthSquared(forward) > 0 ? normalize(forward) : Float3{0, 0, -1};
  Float3 side = cross(forward, up);
  if (lengthSquared(side) < 1e-12f) side = cross(forward, Float3{0, 0, forward.y > 0 ? 1.0f : -1.0f});
  side = normalize(side);
  const Float3 trueUp = cross(side, forward);
  Matrix4 m;
  m(0, 0) = side.x, m(0, 1) = side.y, m(0, 2) = side.z;
  m(1, 0) = trueUp.x, m(1, 1) = trueUp.y, m(1, 2) = trueUp.z;
  m(2, 0) = -forward.x, m(2, 1) = -forward.y, m(2, 2) = -forward.z;
  m(0, 3) = -dot(side, eye);
  m(1, 3) = -dot(trueUp, eye);
  m(2, 3) = dot(forward, eye);
  return m;
}

Matrix4 perspective(float fovY, float aspect, float near, float far) {
  const float f = 1.0f / std::tan(fovY * std::numbers::pi_v<float> / 360.0f);
  Matrix4 m;
  m(0, 0) = f / aspect;
  m(1, 1) = f;
  m(2, 2) = (far + near) / (near - far);
  m(2, 3) = 2.0f * far * near / (near - far);
  m(3, 2) = -1;
  m(3, 3) = 0;
  return m;
}

Matrix4 orthographic(float halfWidth, float halfHeight, float near, float far) {
  Matrix4 m;
  m(0, 0) = 1.0f / halfWidth;
  m(1, 1) = 1.0f / halfHeight;
  m(2, 2) = -2.0f / (far - near);
  m(2, 3) = -(far + near) / (far - near);
  return m;
}

}  // namespace vantorel
