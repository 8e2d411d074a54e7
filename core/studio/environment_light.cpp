#include "studio/environment_light.h"

#include <cmath>
#include <numbers>

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

EnvironmentLight EnvironmentLight::of(const Image& image) {
  EnvironmentLight light;
  light.width = image.width;
  light.height = image.height;
  light.radiance.resize(std::size_t(image.width) * std::size_t(image.height) * 3);
  float table[256];
  for (int i = 0; i < 256; ++i) table[i] = linearFromSRGB(float(i) / 255.0f);

  // Projection onto the nine real spherical harmonics, weighted by each pixel's solid angle.
  std::array<double, 9 * 3> sum{};
  const double pixelAngle = (2 * std::numbers::pi / image.width) * (std::numbers::pi / image.height);
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* row = image.row(y);
    for (int x = 0; x < image.width; ++x) {
      const std::size_t at = (std::size_t(y) * std::size_t(image.width) + std::size_t(x)) * 3;
      const float rgb[3] = {table[row[4 * x]], table[row[4 * x + 1]], table[row[4 * x + 2]]};
      for (int c = 0; c < 3; ++c) light.radiance[at + std::size_t(c)] = rgb[c];
      const Float3 d = direction(x + 0.5, y + 0.5, image.width, image.height);
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

Float3 EnvironmentLight::diffuse(Float3 n) const {
  const float terms[9] = {1, n.y, n.z, n.x, n.x * n.y, n.y * n.z, 3 * n.z * n.z - 1, n.x * n.z, n.x * n.x - n.y * n.y};
  Float3 result;
  for (int k = 0; k < 9; ++k) result += irradiance[std::size_t(k)] * terms[k];
  return result;
}

}  // namespace vantorel
