#include "studio/lighting.h"

#include "studio/canvas.h"
#include "studio/transforms.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantorel::Lighting {
namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;

// CIE 1931 colour matching functions as the multi-lobe Gaussian fit of Wyman, Sloan and Shirley
// (2013); accurate to well under the 8-bit step for black bodies.
double lobe(double x, double mu, double below, double above) {
  const double t = (x - mu) / (x < mu ? below : above);
  return std::exp(-0.5 * t * t);
}

Float3 blackBodyRGB(double kelvin) {
  double X = 0, Y = 0, Z = 0;
  for (double nm = 380; nm <= 780; nm += 2) {
    const double lambda = nm * 1e-9;
    const double radiance = 1.0 / (std::pow(lambda, 5) * (std::exp(1.4387769e-2 / (lambda * kelvin)) - 1.0));
    X += radiance * (1.056 * lobe(nm, 599.8, 37.9, 31.0) + 0.362 * lobe(nm, 442.0, 16.0, 26.7) -
                     0.065 * lobe(nm, 501.1, 20.4, 26.2));
    Y += radiance * (0.821 * lobe(nm, 568.8, 46.9, 40.5) + 0.286 * lobe(nm, 530.9, 16.3, 31.1));
    Z += radiance * (1.217 * lobe(nm, 437.0, 11.8, 36.0) + 0.681 * lobe(nm, 459.0, 26.0, 13.8));
  }
  return {float(3.2406 * X - 1.5372 * Y - 0.4986 * Z), float(-0.9689 * X + 1.8758 * Y + 0.0415 * Z),
          float(0.0557 * X - 0.2040 * Y + 1.0570 * Z)};
}

}  // namespace

LightingValues values(LightingPreset preset) {
  switch (preset) {
    case LightingPreset::softStudio: return {620, 200, 380, 50, 6000, -38, -48, 14, 0.32f, 0.62f, {0.75f, 0.55f, 0.32f}, 1};
    case LightingPreset::bright: return {560, 330, 260, 110, 6200, -25, -60, 18, 0.22f, 0.85f, {0.95f, 0.80f, 0.55f}, 1};
    case LightingPreset::dramatic: return {950, 50, 700, 15, 6000, -70, -28, 7, 0.5f, 0.35f, {0.25f, 0.12f, 0.05f}, 0.2f};
    case LightingPreset::warm: return {650, 190, 360, 50, 4300, -40, -40, 12, 0.32f, 0.6f, {0.75f, 0.55f, 0.32f}, 1};
  }
  return values(LightingPreset::softStudio);
}

SweepExtent sweepExtent(const Placement& placement, const Bounds& reference, float unitScale, float smallest) {
  float r = placement.radius;
  float h = placement.bounds.max.y;
  for (const Float3& c : reference.corners()) {
    const float s = c.x * c.x + c.z * c.z;  // overflows beyond 1e19 mm, vanishes below 1e-19 mm
    r = std::max(r, std::isnormal(s) ? std::sqrt(s) : std::hypot(c.x, c.z));
    h = std::max(h, c.y);
  }
  return {std::max(r * unitScale, smallest), std::max(h * unitScale, smallest)};
}

Quaternion keyOrientation(LightingPreset preset) {
  const LightingValues v = values(preset);
  return axisAngle({0, 1, 0}, v.keyYaw * kDegree) * axisAngle({1, 0, 0}, v.keyPitch * kDegree);
}

LightRig stage(const Look& look, SweepExtent sweep) {
  const LightingValues v = values(look.lighting);
  const float E = sweep.extent();
  LightRig rig;
  rig.floor = {12 * E, {0, -0.01f, 0}, !look.shadow};

  rig.key.type = LightNode::Type::directional;
  rig.key.intensity = v.keyIntensity;
  rig.key.temperature = v.temperature;
  rig.key.orientation = keyOrientation(look.lighting);
  rig.key.position = rotate(rig.key.orientation, {0, 0, 5 * E});
  rig.key.castsShadow = look.shadow;
  rig.key.shadowSampleCount = 24;
  rig.key.shadowRadius = v.shadowRadius;
  rig.key.shadowMapSize = kShadowMapSize;
  rig.key.shadowOpacity = v.shadowOpacity;
  rig.key.orthographicScale = 1.8f * E;
  rig.key.shadowNear = 1;
  rig.key.shadowFar = 12 * E;
  rig.key.shadowBias = 2;

  rig.fill.intensity = v.fillIntensity;
  rig.fill.temperature = v.temperature;
  rig.fill.orientation = kFillOrientation;
  rig.fill.position = rotate(kFillOrientation, {0, 0, 5 * E});

  rig.rim.intensity = v.rimIntensity;
  rig.rim.temperature = kRimTemperature;
  rig.rim.orientation = kRimOrientation;
  rig.rim.position = rotate(kRimOrientation, {0, 0, 5 * E});

  rig.ambient.type = LightNode::Type::ambient;
  rig.ambient.intensity = v.ambientIntensity;
  rig.ambient.temperature = v.temperature;

  rig.environment = look.lighting;
  rig.environmentIntensity = v.environmentIntensity;
  rig.sweepColor = sweepColor(look);
  return rig;
}

Float3 temperatureColor(float kelvin) {
  static const Float3 white = blackBodyRGB(6500);
  const Float3 c = blackBodyRGB(std::clamp(double(kelvin), 1000.0, 40000.0));
  Float3 rgb{std::max(c.x / white.x, 0.0f), std::max(c.y / white.y, 0.0f), std::max(c.z / white.z, 0.0f)};
  const float luminance = 0.2126f * rgb.x + 0.7152f * rgb.y + 0.0722f * rgb.z;
  return rgb * (1.0f / luminance);
}

RGBA sweepColor(const Look& look) {
  return look.background == BackgroundStyle::transparent ? Look{}.backgroundColor : look.backgroundColor;
}

SweepLight sweepLight(LightingPreset preset, RGBA sweep, const EnvironmentLight& around) {
  const LightingValues v = values(preset);
  const float scale = v.environmentIntensity * kEnvironmentUnit;
  if (!(scale > 0)) return {};
  // Irradiance ÷ π on the floor (facing up) and on the wall (facing the camera, +Z): the lamps
  // unshadowed, the ambient light and what the environment sends from the half each faces.
  const Float3 towards[3] = {rotate(keyOrientation(preset), {0, 0, 1}), rotate(kFillOrientation, {0, 0, 1}),
                             rotate(kRimOrientation, {0, 0, 1})};
  const float intensities[3] = {v.keyIntensity, v.fillIntensity, v.rimIntensity};
  const float temperatures[3] = {v.temperature, v.temperature, kRimTemperature};
  const Float3 ambient = temperatureColor(v.temperature) * (v.ambientIntensity * kLightUnit);
  Float3 onFloor = ambient + around.diffuse({0, 1, 0}) * scale;
  Float3 onWall = ambient + around.diffuse({0, 0, 1}) * scale;
  for (int i = 0; i < 3; ++i) {
    const Float3 lamp = temperatureColor(temperatures[i]) * (intensities[i] * kLightUnit);
    onFloor += lamp * std::max(towards[i].y, 0.0f);
    onWall += lamp * std::max(towards[i].z, 0.0f);
  }
  const float k = kSweepAlbedo * v.sweepBounce / scale;
  const Float3 albedo{linearFromSRGB(std::clamp(float(sweep.r), 0.0f, 1.0f)) * k,
                      linearFromSRGB(std::clamp(float(sweep.g), 0.0f, 1.0f)) * k,
                      linearFromSRGB(std::clamp(float(sweep.b), 0.0f, 1.0f)) * k};
  const auto reflect = [&](Float3 light) { return Float3{light.x * albedo.x, light.y * albedo.y, light.z * albedo.z}; };
  return {reflect(onFloor), reflect(onWall)};
}

EnvironmentLight environment(LightingPreset preset, RGBA sweep) {
  const std::optional<Image> picture = environmentImage(preset);
  if (!picture) return {};
  EnvironmentLight light = EnvironmentLight::of(*picture);
  // Each pass adds one more exchange of light between floor and wall; a near-white sweep passes on
  // about a third of what it gets each time, so the third pass leaves the sum a few percent short.
  for (int pass = 0; pass < 3; ++pass) light = EnvironmentLight::of(*picture, sweepLight(preset, sweep, light));
  return light;
}

std::optional<Image> environmentImage(LightingPreset preset) {
  const LightingValues v = values(preset);
  auto bitmap = Canvas::makeBitmap(kEnvironmentWidth, kEnvironmentHeight, true);
  if (!bitmap) return std::nullopt;
  cairo_t* cr = bitmap->context();
  cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, kEnvironmentHeight);
  for (int i = 0; i < 3; ++i) {
    const double g = v.environmentGreys[std::size_t(i)];
    cairo_pattern_add_color_stop_rgb(gradient, 0.5 * i, g, g, g);
  }
  cairo_set_source(cr, gradient);
  cairo_paint(cr);
  cairo_pattern_destroy(gradient);
  // Two softboxes and a strip along the top; rectangles given from the bottom-left corner.
  cairo_set_source_rgb(cr, 1, 1, 1);
  const double boxes[3][4] = {{150, 140, 70, 60}, {330, 150, 40, 50}, {0, 236, 512, 14}};
  for (const auto& b : boxes) cairo_rectangle(cr, b[0], kEnvironmentHeight - b[1] - b[3], b[2], b[3]);
  cairo_fill(cr);
  return bitmap->image();
}

}  // namespace vantorel::Lighting
