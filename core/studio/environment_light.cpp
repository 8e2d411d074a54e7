#include "studio/environment_light.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace vantorel {

float linearFromSRGB(float c) {
  return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

Float3 EnvironmentLight::direction(double x, double y, int width, int height) {
  const double phi = (x / width - 0.5) * 2 * std::numbers::pi;
  const double elevation = (0.5 - y / height) * std::numbers::pi;
  return {float(std::cos(elevation) * std::sin(phi)), float(std::sin(elevation)),
          float(std::cos(elevation) * std::cos(phi))};
}

namespace {

float smoothstep(float from, float to, float x) {
  const float t = std::clamp((x - from) / (to - from), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

EnvironmentLight project(const Image& image, const std::optional<SweepLight>& sweep);

}  // namespace

std::pair<float, float> EnvironmentLight::sweepCover(Float3 d) {
  // The floor reaches the horizon all round. The wall stands a few model sizes behind the model
  // and is some four times taller and wider than its distance, so it fills the view behind until
  // the height or the sideways reach of a direction is four times its depth, softened at the edges.
  const float floor = smoothstep(0.0f, -0.06f, d.y);
  const float back = -d.z;
  const float wall = smoothstep(-0.1f, 0.1f, back - std::max(d.y, 0.0f) * 0.25f) *
                     smoothstep(-0.1f, 0.1f, back - std::abs(d.x) * 0.25f);
  return {floor, (1 - floor) * wall};
}

EnvironmentLight EnvironmentLight::of(const Image& image) { return project(image, std::nullopt); }

EnvironmentLight EnvironmentLight::of(const Image& image, const SweepLight& sweep) { return project(image, sweep); }

namespace {

EnvironmentLight project(const Image& image, const std::optional<SweepLight>& sweep) {
  EnvironmentLight light;
  light.width = image.width;
  light.height = image.height;
  light.radiance.resize(std::size_t(image.width) * std::size_t(image.height) * 3);
  float table[256];
  for (int i = 0; i < 256; ++i) table[i] = linearFromSRGB(float(i) / 255.0f);

  // Projection onto the nine real spherical harmonics, weighted by each pixel's solid angle.
  std::array<double, 9 * 3> sum{};
  const double pixelAngle = (2 * std::numbers::pi / image.width) * (std::numbers::pi / image.height);
  // The direction through each pixel from the sines and cosines of its column and row, worked out once.
  std::vector<std::pair<double, double>> columns(std::size_t(std::max(image.width, 0)));
  for (int x = 0; x < image.width; ++x) {
    const double phi = ((x + 0.5) / image.width - 0.5) * 2 * std::numbers::pi;
    columns[std::size_t(x)] = {std::sin(phi), std::cos(phi)};
  }
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* row = image.row(y);
    const double elevation = (0.5 - (y + 0.5) / image.height) * std::numbers::pi;
    const double across = std::cos(elevation), up = std::sin(elevation);
    for (int x = 0; x < image.width; ++x) {
      const std::size_t at = (std::size_t(y) * std::size_t(image.width) + std::size_t(x)) * 3;
      float rgb[3] = {table[row[4 * x]], table[row[4 * x + 1]], table[row[4 * x + 2]]};
      const auto [sinPhi, cosPhi] = columns[std::size_t(x)];
      const Float3 d{float(across * sinPhi), float(up), float(across * cosPhi)};
      if (sweep) {
        // The sweep only ever raises the picture: a dark backdrop bounces little, but the picture's
        // own light stays the base.
        const auto [floor, wall] = EnvironmentLight::sweepCover(d);
        const float floorRGB[3] = {sweep->floor.x, sweep->floor.y, sweep->floor.z};
        const float wallRGB[3] = {sweep->wall.x, sweep->wall.y, sweep->wall.z};
        for (int c = 0; c < 3; ++c)
          rgb[c] += floor * std::max(floorRGB[c] - rgb[c], 0.0f) + wall * std::max(wallRGB[c] - rgb[c], 0.0f);
      }
      for (int c = 0; c < 3; ++c) light.radiance[at + std::size_t(c)] = rgb[c];
      const double weight = pixelAngle * std::sqrt(std::max(0.0, 1.0 - double(d.y) * d.y));
      const double basis[9] = {0.282095,
                               0.488603 * d.y,
                               0.488603 * d.z,
                               0.488603 * d.x,
                               1.092548 * d.x * d.y,
                               1.092548 * d.y * d.z,
                               0.315392 * (3.0 * d.z * d.z - 1.0),
                               1.092548 * d.x * d.z,
                               0.546274 * (d.x * d.x - d.y * d.y)};
      for (int k = 0; k < 9; ++k)
        for (int c = 0; c < 3; ++c) sum[std::size_t(k * 3 + c)] += rgb[c] * basis[k] * weight;
    }
  }
  // Convolution with the clamped cosine (Ramamoorthi and Hanrahan): bands scale by π, 2π/3, π/4;
  // dividing by π leaves 1, 2/3, 1/4. The basis constants move into the coefficients.
  const double band[9] = {1.0, 2.0 / 3, 2.0 / 3, 2.0 / 3, 0.25, 0.25, 0.25, 0.25, 0.25};
  const double constant[9] = {0.282095, 0.488603, 0.488603, 0.488603, 1.092548, 1.092548, 0.315392, 1.092548, 0.546274};
  for (int k = 0; k < 9; ++k) {
    const double f = band[k] * constant[k];
    light.irradiance[std::size_t(k)] = {float(sum[std::size_t(k * 3)] * f), float(sum[std::size_t(k * 3 + 1)] * f),
                                        float(sum[std::size_t(k * 3 + 2)] * f)};
  }
  return light;
}

}  // namespace

Float3 EnvironmentLight::diffuse(Float3 n) const {
  const float terms[9] = {1, n.y, n.z, n.x, n.x * n.y, n.y * n.z, 3 * n.z * n.z - 1, n.x * n.z, n.x * n.x - n.y * n.y};
  Float3 result;
  for (int k = 0; k < 9; ++k) result += irradiance[std::size_t(k)] * terms[k];
  return result;
}

}  // namespace vantorel
