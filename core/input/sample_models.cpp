#include "input/sample_models.h"

#include "base/localized.h"

#include <cmath>

namespace vantorel::SampleModels {
namespace {

constexpr float pi = 3.1415925f;
constexpr float twoPi = 6.283185f;

float vaseRadius(float t) { return 14.0f * std::sin(0.95f * pi * t + 0.2f) + 26.0f - 6.0f * t; }
float vaseFactor(float t, float theta) { return 1.0f + 0.07f * std::cos(3.2f * t + 8.0f * theta); }
float planterRadius(float t) { return 30.0f + 12.0f * t + (t > 0.86f ? 3.0f : 0.0f); }
float planterFactor(float, float theta) { return 1.0f + 0.035f * std::cos(12.0f * theta); }
float saucerRadius(float t) { return 40.0f + 6.0f * t; }
float flat(float, float) { return 1.0f; }

}  // namespace

ModelObject lathe(int rings, int segments, float height, float (*radius)(float), float (*factor)(float, float)) {
  const auto R = std::uint32_t(rings), S = std::uint32_t(segments);
  ModelObject object;
  object.id = 0;
  object.name = "Lathe";
  object.positions.reserve((R + 1) * S + 2);
  for (std::uint32_t i = 0; i <= R; ++i) {
    const float t = float(i) / float(R);
    const float r = radius(t);
    for (std::uint32_t j = 0; j < S; ++j) {
      const float theta = float(j) * twoPi / float(S);
      const float rf = r * factor(t, theta);
      object.positions.push_back({std::cos(theta) * rf, std::sin(theta) * rf, height * t});
    }
  }
  const std::uint32_t bottom = (R + 1) * S, top = bottom + 1;
  object.positions.push_back({0, 0, 0});
  object.positions.push_back({0, 0, height});

  object.indices.reserve((2 * R * S + 2 * S) * 3);
  for (std::uint32_t i = 0; i < R; ++i) {
    for (std::uint32_t j = 0; j < S; ++j) {
      const std::uint32_t a = i * S + j, b = i * S + (j + 1) % S, c = b + S, d = a + S;
      object.indices.insert(object.indices.end(), {a, b, c, a, c, d});
    }
  }
  for (std::uint32_t j = 0; j < S; ++j) {
    const std::uint32_t next = (j + 1) % S;
    object.indices.insert(object.indices.end(), {bottom, next, j, top, R * S + j, R * S + next});
  }
  return object;
}

PrintModel twistedVase() {
  PrintModel model;
  model.name = *nameOf("vase");
  model.format = ModelFormat::stlBinary;
  ModelObject vase = lathe(64, 120, 120, vaseRadius, vaseFactor);
  vase.name = model.name;
  model.objects.push_back(std::move(vase));
  return model;
}

PrintModel planterAndSaucer() {
  PrintModel model;
  model.name = *nameOf("planter");
  model.format = ModelFormat::threeMF;

  ModelObject planter = lathe(64, 120, 70, planterRadius, planterFactor);
  planter.id = 0;
  planter.name = localized("Planter");
  for (auto& p : planter.positions) p.z += 4.0f;
  planter.color = 0;

  ModelObject saucer = lathe(4, 120, 4, saucerRadius, flat);
  saucer.id = 1;
  saucer.name = localized("Saucer");
  saucer.color = 1;

  model.objects = {std::move(planter), std::move(saucer)};
  model.palette = {RGBA{0.8, 0.42, 0.28, 1}, RGBA{0.55, 0.66, 0.52, 1}};
  return model;
}

std::vector<std::string_view> ids() { return {"vase", "planter"}; }

std::optional<std::string> nameOf(std::string_view id) {
  if (id == "vase") return localized("Twisted vase");
  if (id == "planter") return localized("Planter and saucer");
  return std::nullopt;
}

std::optional<PrintModel> byId(std::string_view id) {
  if (id == "vase") return twistedVase();
  if (id == "planter") return planterAndSaucer();
  return std::nullopt;
}

}  // namespace vantorel::SampleModels
