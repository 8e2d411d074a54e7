#include "staging/framing.h"

#include "staging/matrix4.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantorel::Framing {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

struct CameraBasis {
  Float3 forward, right, up;
};

CameraBasis basis(Float3 eye, Float3 target) {
  const Float3 forward = normalize(target - eye);
  const Float3 side = cross(forward, Float3{0, 1, 0});
  // Looking straight up or down leaves "right" undefined; any horizontal axis will do there.
  const Float3 right = lengthSquared(side) > 0 ? normalize(side) : Float3{1, 0, 0};
  return {forward, right, cross(right, forward)};
}

Float2 projectWith(const CameraBasis& b, Float3 point, Float3 eye, float t, float aspect) {
  const Float3 d = point - eye;
  const float z = std::max(dot(d, b.forward), 0.0001f);
  return {dot(d, b.right) / (aspect * t * z), dot(d, b.up) / (t * z)};
}

float halfTan(float fovY) { return std::tan(fovY * kPi / 360.0f); }

}  // namespace

float margin(FramingMode mode) { return mode == FramingMode::turntable ? kTurntableMargin : kTightMargin; }

std::vector<Float3> turntableCloud(int count, float radius, float height) {
  std::vector<Float3> points;
  if (count <= 0) return points;
  points.reserve(2 * std::size_t(count));
  for (int i = 0; i < count; ++i) {
    const float theta = float(i) * 2.0f * kPi / float(count);
    const float x = radius * std::cos(theta), z = radius * std::sin(theta);
    points.push_back({x, 0, z});
    points.push_back({x, height, z});
  }
  return points;
}

Float2 project(Float3 point, Float3 eye, Float3 target, float fovY, float aspect) {
  return projectWith(basis(eye, target), point, eye, halfTan(fovY), aspect);
}

PictureBounds pictureBounds(std::span<const Float3> points, Float3 eye, Float3 target, float fovY, float aspect) {
  const CameraBasis b = basis(eye, target);
  const float t = halfTan(fovY);
  PictureBounds box;
  for (const Float3& p : points) {
    const Float2 q = projectWith(b, p, eye, t, aspect);
    box.min = {std::fmin(box.min.x, q.x), std::fmin(box.min.y, q.y)};
    box.max = {std::fmax(box.max.x, q.x), std::fmax(box.max.y, q.y)};
  }
  return box;
}

CameraPose solve(std::span<const Float3> points, float elevation, float aspect, float margin, float fovY) {
  if (points.empty()) return {{0, 0, 100}, {0, 0, 0}, fovY};

  const Bounds box = Bounds::of(points);
  const float reach = std::max(0.5f * length(box.size()), 1.0f);
  Float3 target = box.center();

  const float e = elevation * kPi / 180.0f;
  const Float3 toCamera{0, std::sin(e), std::cos(e)};
  // The viewing direction never changes, so the picture's right and up axes are fixed too.
  const Float3 right{1, 0, 0};
  const Float3 up{0, std::cos(e), -std::sin(e)};
  const float fill = 1 - margin;
  const float t = halfTan(fovY);

  float distance = 0;
  for (int pass = 0; pass < 5; ++pass) {
    float lo = 0.2f * reach, hi = 200.0f * reach;
    for (int i = 0; i < 40; ++i) {
      const float d = (lo + hi) * 0.5f;
      const PictureBounds p = pictureBounds(points, target + d * toCamera, target, fovY, aspect);
      const float span = 0.5f * std::max(p.max.x - p.min.x, p.max.y - p.min.y);
      (span > fill ? lo : hi) = d;
    }
    distance = hi;
    const Float3 eye = target + distance * toCamera;
    const PictureBounds p = pictureBounds(points, eye, target, fovY, aspect);
    const float cx = (p.min.x + p.max.x) * 0.5f, cy = (p.min.y + p.max.y) * 0.5f;
    if (std::fabs(cx) < 0.0001f && std::fabs(cy) < 0.0001f) return {eye, target, fovY};
    target = target + right * (cx * distance * t * aspect) + up * (cy * distance * t);
  }
  return {target + distance * toCamera, target, fovY};
}

std::vector<Float3> tightCloud(const PrintModel& model, const HiddenObjects& hidden, const Placement& placement,
                               const Bounds& reference, float turn) {
  std::size_t total = 0;
  for (const ModelObject& o : model.objects) {
    if (!hidden.contains(o.id)) total += o.positions.size();
  }
  const std::size_t step = total > 2999 ? total / 3000 : 1;
  const Matrix4 turnMatrix = rotationY(turn);

  std::vector<Float3> points;
  points.reserve(std::min<std::size_t>(total, 3 * 3000) + 8);
  for (const ModelObject& o : model.objects) {
    if (hidden.contains(o.id)) continue;
    const std::size_t own = o.positions.size() >= 257 ? step : 1;
    for (std::size_t i = 0; i < o.positions.size(); i += own) {
      points.push_back(transformPoint(turnMatrix, transformPoint(placement.transform, o.positions[i])));
    }
  }
  for (const Float3& corner : reference.corners()) points.push_back(transformPoint(turnMatrix, corner));
  return points;
}

}  // namespace vantorel::Framing
