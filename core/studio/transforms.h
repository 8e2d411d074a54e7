#pragma once
// The few transforms the studio needs beyond staging's: quaternion products, camera and light
// views, and projections. Column-major Matrix4, right-handed, camera looking along its −Z.
#include "staging/matrix4.h"

namespace vantorel {

/// The rotation by `radians` about the unit `axis`.
Quaternion axisAngle(Float3 axis, float radians);
/// The product a · b (b is applied first).
Quaternion operator*(const Quaternion& a, const Quaternion& b);
/// `q` applied to `v`.
Float3 rotate(const Quaternion& q, Float3 v);

/// The view matrix of a camera at `eye` looking at `target` with `up` as the upward hint; when the
/// view is parallel to `up`, +Z (or −Z) serves as the hint instead, so the matrix is always finite.
Matrix4 lookAt(Float3 eye, Float3 target, Float3 up = {0, 1, 0});
/// OpenGL perspective projection; `fovY` in degrees, measured vertically; `aspect` = width ÷ height.
Matrix4 perspective(float fovY, float aspect, float near, float far);
/// OpenGL orthographic projection of the box [−halfWidth, halfWidth]² × [near, far] in front of the eye.
Matrix4 orthographic(float halfWidth, float halfHeight, float near, float far);

}  // namespace vantorel
