#pragma once
// Small value arithmetic on Float3 (millimetres or unit directions) and Float2 (picture coordinates),
// written out in single precision so every stage rounds the same way.
#include <cmath>

namespace vantorel {

/// A position in millimetres (in the file's own axes until staged) or a direction.
struct Float3 {
  float x = 0, y = 0, z = 0;
  bool operator==(const Float3&) const = default;
};

/// A point in normalised picture coordinates, where ±1 are the picture's edges.
struct Float2 {
  float x = 0, y = 0;
  bool operator==(const Float2&) const = default;
};

inline Float3 operator+(Float3 a, Float3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Float3 operator-(Float3 a, Float3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Float3 operator*(Float3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Float3 operator*(float s, Float3 a) { return {a.x * s, a.y * s, a.z * s}; }
inline Float3& operator+=(Float3& a, Float3 b) { return a = a + b; }

inline float dot(Float3 a, Float3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Float3 cross(Float3 a, Float3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float lengthSquared(Float3 a) { return dot(a, a); }
inline float length(Float3 a) { return std::sqrt(dot(a, a)); }
/// `a` scaled to unit length; a zero vector gives NaN components, so callers check the length first.
inline Float3 normalize(Float3 a) { return a * (1.0f / length(a)); }
inline Float3 componentMin(Float3 a, Float3 b) {
  return {std::fmin(a.x, b.x), std::fmin(a.y, b.y), std::fmin(a.z, b.z)};
}
inline Float3 componentMax(Float3 a, Float3 b) {
  return {std::fmax(a.x, b.x), std::fmax(a.y, b.y), std::fmax(a.z, b.z)};
}

}  // namespace vantorel
