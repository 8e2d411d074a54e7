#include "reference_scenes.h"

#include "input/sample_models.h"
#include "threemf_fixtures.h"

#include <cmath>
#include <numbers>

namespace vantorel::testing {

PrintModel smallShape() {
  PrintModel model;
  model.name = "Pillar";
  ModelObject pillar = SampleModels::lathe(
      24, 48, 30, [](float t) { return 12.0f - 3.0f * t * t; },
      [](float, float theta) { return 1.0f + 0.04f * std::cos(6 * theta); });
  pillar.name = "Pillar";
  model.objects.push_back(std::move(pillar));
  return model;
}

std::vector<ReferenceScene> referenceScenes() {
  const auto vase = [] { return SampleModels::twistedVase(); };
  std::vector<ReferenceScene> scenes;
  scenes.push_back({.name = "vase_default", .model = vase});

  Look ruler;
  ruler.useFileColors = true;
  ruler.scaleReference = ScaleReference::ruler;
  scenes.push_back({.name = "planter_ruler", .model = [] { return SampleModels::planterAndSaucer(); }, .look = ruler, .width = 160, .height = 120});

  Look clear;
  clear.background = BackgroundStyle::transparent;
  scenes.push_back({.name = "vase_transparent", .model = vase, .look = clear});

  Look layers;
  layers.layerLines = true;
  layers.layerHeight = 4.0;  // about five pixels a layer at this size, so the lines show
  layers.color = {0.93, 0.93, 0.9, 1};
  scenes.push_back({.name = "vase_layer_lines", .model = vase, .look = layers, .width = 160, .height = 160, .turnDegrees = 20,
                    .mode = FramingMode::tight});

  for (LightingPreset preset : all<LightingPreset>()) {
    Look look;
    look.lighting = preset;
    look.color = {0.85, 0.42, 0.12, 1};
    scenes.push_back({.name = "preset_" + std::string(rawValue(preset)), .model = smallShape, .look = look, .width = 96, .height = 96});
  }

  Look dramatic;
  dramatic.lighting = LightingPreset::dramatic;
  dramatic.scaleReference = ScaleReference::disc;
  dramatic.finish = Finish::silk;
  dramatic.color = {0.8, 0.62, 0.25, 1};
  scenes.push_back({.name = "vase_dramatic_disc", .model = vase, .look = dramatic});

  Look hero;
  hero.finish = Finish::gloss;
  hero.color = {0.75, 0.1, 0.12, 1};
  scenes.push_back({.name = "vase_tight", .model = vase, .look = hero, .width = 96, .height = 128, .elevation = 14.0f,
                    .mode = FramingMode::tight});

  // A slicer project's cube read through the 3MF reader, its paint decoded: two faces in filament 2
  // whole, two faces with each triangle split in four (filaments 1, 2, the cube's own, 1) and the
  // rest in filament 1.
  scenes.push_back({.name = "painted_cube", .model = [] {
                      const std::string cube =
                          "<object id=\"1\" name=\"Cube\" type=\"model\">" +
                          test::boxMesh({0, 0, 0}, {20, 20, 20}, [](int i) {
                            return std::string("paint_color=\"") + (i < 4 ? "8" : i < 8 ? "48043" : "4") + "\"";
                          }) +
                          "</object>";
                      return test::load3MF(test::package(
                          {{"3D/3dmodel.model", test::modelPart(cube, test::items({1}))},
                           {"Metadata/project_settings.config", R"({"filament_colour": ["#D9502F", "#2F6FDB"]})"}}));
                    },
                    .turnDegrees = 30});
  return scenes;
}

std::optional<Image> renderScene(const ReferenceScene& scene) {
  auto studio = Studio::create(scene.model(), scene.look);
  return studio->render(scene.width, scene.height, float(scene.turnDegrees * std::numbers::pi / 180), scene.elevation,
                        scene.mode, true);
}

std::filesystem::path referenceFolder() { return std::filesystem::path(VANTOREL_STUDIO_REFERENCES); }

}  // namespace vantorel::testing
