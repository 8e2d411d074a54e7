#include "reference_scenes.h"

#include "input/sample_models.h"

#include <cmath>
#include <numbers>

namespace vantorel::testing {

PrintModel smallShape() {
  PrintModel model;
  model.name = "Pillar";
  model.format = ModelFormat::stlBinary;
  ModelObject pillar = SampleModels::lathe(
      24, 48, 30, [](float t) { return 12.0f - 3.0f * t * t; },
      [](float, float theta) { return 1.0f + 0.04f * std::cos(6 * theta); });
  pillar.name = "Pillar";
  model.objects.push_back(std::move(pillar));
  return model;
}

std::vector<ReferenceScene> referenceScenes() {
  const auto vase = [] { return SampleModels::twistedVase(); };
  const auto planter = [] { return SampleModels::planterAndSaucer(); };
  std::vector<ReferenceScene> scenes;
  scenes.push_back({"vase_default", vase, Look{}, 128, 128, 0, std::nullopt, FramingMode::turntable, true});

  Look ruler;
  ruler.useFileColors = true;
  ruler.scaleReference = ScaleReference::ruler;
  scenes.push_back({"planter_ruler", planter, ruler, 160, 120, 0, std::nullopt, FramingMode::turntable, true});

  Look clear;
  clear.background = BackgroundStyle::transparent;
  scenes.push_back({"vase_transparent", vase, clear, 128, 128, 0, std::nullopt, FramingMode::turntable, true});

  Look layers;
  layers.layerLines = true;
  layers.layerHeight = 4.0;  // about five pixels a layer at this size, so the lines show
  layers.color = {0.93, 0.93, 0.9, 1};
  scenes.push_back({"vase_layer_lines", vase, layers, 160, 160, 20, std::nullopt, FramingMode::tight, true});

  for (LightingPreset preset : allLightingPresets) {
    Look look;
    look.lighting = preset;
    look.color = {0.85, 0.42, 0.12, 1};
    scenes.push_back({"preset_" + std::string(rawValue(preset)), smallShape, look, 96, 96, 0, std::nullopt, FramingMode::turntable, true});
  }

  Look dramatic;
  dramatic.lighting = LightingPreset::dramatic;
  dramatic.scaleReference = ScaleReference::disc;
  dramatic.finish = Finish::silk;
  dramatic.color = {0.8, 0.62, 0.25, 1};
  scenes.push_back({"vase_dramatic_disc", vase, dramatic, 128, 128, 0, std::nullopt, FramingMode::turntable, true});

  Look hero;
  hero.finish = Finish::gloss;
  hero.color = {0.75, 0.1, 0.12, 1};
  scenes.push_back({"vase_tight", vase, hero, 96, 128, 0, 14.0f, FramingMode::tight, true});
  return scenes;
}

std::optional<Image> renderScene(const ReferenceScene& scene) {
  auto studio = Studio::create(scene.model(), scene.look);
  return studio->render(scene.width, scene.height, float(scene.turnDegrees * std::numbers::pi / 180), scene.elevation,
                        scene.mode, scene.background);
}

std::filesystem::path referenceFolder() { return std::filesystem::path(VANTOREL_STUDIO_REFERENCES); }

}  // namespace vantorel::testing
