#pragma once
// The lighting environment turned into image light, once per look change: linear radiance for the
// reflection mip chain and nine spherical-harmonic coefficients of its diffuse irradiance.
#include "base/vector_math.h"
#include "base/image.h"

#include <array>
#include <utility>
#include <vector>

namespace vantorel {

/// The backdrop's sweep as the model sees it: a floor filling the view below the horizon and a wall
/// rising from it behind the model (towards −Z), each of one linear radiance in the environment
/// picture's units, raising the picture where they stand and it is darker.
struct SweepLight {
  Float3 floor, wall;
  bool operator==(const SweepLight&) const = default;
};

struct EnvironmentLight {
  /// Coefficients of irradiance ÷ π (the light a white Lambert surface returns), for the terms
  /// 1, y, z, x, xy, yz, 3z² − 1, xz, x² − y² of the unit normal (x, y, z).
  std::array<Float3, 9> irradiance{};
  int width = 0, height = 0;
  std::vector<float> radiance;  ///< linear RGB, width × height × 3, top row first

  /// The environment of an sRGB equirectangular `image` (top row looks straight up, the centre
  /// column along +Z, x growing towards +X). An empty image gives black light.
  static EnvironmentLight of(const Image& image);
  /// The same picture seen from inside `sweep`.
  static EnvironmentLight of(const Image& image, const SweepLight& sweep);

  /// How much of the view along the unit direction `d` the sweep's floor and wall fill, each 0 … 1
  /// and together at most 1; the picture shows through the rest. The wall fades out towards the
  /// zenith and the sides as a curved backdrop a few model sizes behind the model would.
  static std::pair<float, float> sweepCover(Float3 d);

  /// The direction seen through pixel centre (x, y) of a width × height equirectangular image.
  static Float3 direction(double x, double y, int width, int height);
  /// irradiance ÷ π for the unit normal `n`.
  Float3 diffuse(Float3 n) const;
};

/// sRGB-encoded 0…1 to linear light.
float linearFromSRGB(float encoded);

}  // namespace vantorel
