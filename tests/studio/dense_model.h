#pragma once
// A dense, smooth, scan-like object built in code: a gently lumpy upright ellipsoid tessellated far
// finer than a listing picture's pixels, optionally painted in two colours along a wavy border.
#include "input/print_model.h"

#include <cmath>
#include <numbers>

namespace vantorel::testing {

inline ModelObject denseModel(int rings, int segments, bool painted) {
  ModelObject object;
  object.id = 1;
  object.name = "Scan";
  const float pi = std::numbers::pi_v<float>;
  // Poles are single points, so the surface is closed and every triangle has area.
  object.positions.push_back({0, 0, -40});
  for (int i = 1; i < rings; ++i)
    for (int j = 0; j < segments; ++j) {
      const float t = pi * float(i) / float(rings), p = 2 * pi * float(j) / float(segments);
      const float d = 1 + 0.05f * std::sin(5 * t) * std::cos(3 * p) + 0.02f * std::sin(11 * t + 1) * std::sin(9 * p);
      object.positions.push_back({14 * d * std::sin(t) * std::cos(p), 14 * d * std::sin(t) * std::sin(p), -40 * d * std::cos(t)});
    }
  object.positions.push_back({0, 0, 40});
  const auto at = [&](int ring, int j) { return std::uint32_t(1 + (ring - 1) * segments + (j % segments)); };
  const std::uint32_t top = std::uint32_t(object.positions.size() - 1);
  std::vector<std::int32_t> colours;
  const auto add = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c, int ring, int j) {
    object.indices.push_back(a), object.indices.push_back(b), object.indices.push_back(c);
    const float border = float(rings) * (0.5f + 0.08f * std::sin(6 * 2 * pi * float(j) / float(segments)));
    colours.push_back(float(ring) < border ? 0 : 1);
  };
  for (int j = 0; j < segments; ++j) add(0, at(1, j + 1), at(1, j), 0, j);
  for (int i = 1; i + 1 < rings; ++i)
    for (int j = 0; j < segments; ++j) {
      add(at(i, j), at(i, j + 1), at(i + 1, j + 1), i, j);
      add(at(i, j), at(i + 1, j + 1), at(i + 1, j), i, j);
    }
  for (int j = 0; j < segments; ++j) add(top, at(rings - 1, j), at(rings - 1, j + 1), rings, j);
  if (painted) object.triangleColors = std::move(colours);
  return object;
}

}  // namespace vantorel::testing
