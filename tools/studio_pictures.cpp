// studio_pictures --regenerate        rewrites the reference pictures under tests/data/studio
// studio_pictures --contact-sheet F   renders the samples with every preset and finish into one PNG
// Run through tools/regenerate-reference-images; tests never rewrite the references.
#include "picture_files.h"
#include "reference_scenes.h"

#include "input/sample_models.h"
#include "studio/canvas.h"

#include <cstdlib>
#include <iostream>
#include <numbers>
#include <string>

using namespace vantorel;

namespace {

int regenerate() {
  for (const auto& scene : testing::referenceScenes()) {
    const auto image = testing::renderScene(scene);
    if (!image) {
      std::cerr << scene.name << ": no picture\n";
      return 1;
    }
    const auto path = testing::referenceFolder() / (scene.name + ".png");
    testing::writePicture(*image, path);
    std::cout << "wrote " << path.string() << "\n";
  }
  return 0;
}

int contactSheet(const std::string& path, int cellSize) {
  std::vector<std::pair<std::string, Image>> cells;
  const PrintModel vase = SampleModels::twistedVase(), planter = SampleModels::planterAndSaucer();
  auto add = [&](const PrintModel& model, const Look& look, const std::string& label, FramingMode mode = FramingMode::turntable) {
    if (auto image = Studio::create(model, look)->render(cellSize, cellSize, 0, std::nullopt, mode, true)) cells.push_back({label, *image});
  };
  const RGBA swatches[4] = {{0.13, 0.33, 0.75, 1}, {0.85, 0.65, 0.22, 1}, {0.78, 0.1, 0.12, 1}, {0.12, 0.12, 0.12, 1}};
  for (std::size_t i = 0; i < all<Finish>().size(); ++i) {
    Look look;
    look.finish = all<Finish>()[i];
    look.color = swatches[i];
    add(vase, look, title(all<Finish>()[i]));
  }
  for (LightingPreset preset : all<LightingPreset>()) {
    Look look;
    look.lighting = preset;
    look.useFileColors = true;
    look.scaleReference = preset == LightingPreset::dramatic ? ScaleReference::disc : ScaleReference::ruler;
    add(planter, look, title(preset));
  }
  Look look;
  look.layerLines = true;
  look.color = {0.94, 0.94, 0.92, 1};
  add(vase, look, "Layer lines", FramingMode::tight);
  look.background = BackgroundStyle::transparent;
  look.layerLines = false;
  look.color = {0.2, 0.6, 0.35, 1};
  add(vase, look, "Transparent");
  look.background = BackgroundStyle::solid;
  look.backgroundColor = {0.2, 0.22, 0.26, 1};
  look.color = {0.95, 0.95, 0.95, 1};
  add(vase, look, "Solid dark");
  Look hero;
  hero.finish = Finish::silk;
  hero.color = {0.55, 0.3, 0.75, 1};
  add(vase, hero, "Hero (tight)", FramingMode::tight);

  const int columns = 4, rows = int((cells.size() + columns - 1) / columns);
  auto sheet = Canvas::makeBitmap(columns * cellSize, rows * cellSize, true);
  if (!sheet) return 1;
  cairo_t* cr = sheet->context();
  for (int y = 0; y < rows * cellSize; y += 16)  // a checkerboard shows where a picture is transparent
    for (int x = 0; x < columns * cellSize; x += 16) {
      const double g = (x / 16 + y / 16) % 2 ? 0.8 : 0.9;
      cairo_set_source_rgb(cr, g, g, g);
      cairo_rectangle(cr, x, y, 16, 16);
      cairo_fill(cr);
    }
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 14);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const double x = double(int(i) % columns * cellSize), y = double(int(i) / columns * cellSize);
    cairo_surface_t* surface = Canvas::surfaceOf(cells[i].second);
    cairo_set_source_surface(cr, surface, x, y);
    cairo_paint(cr);
    cairo_surface_destroy(surface);
    cairo_set_source_rgba(cr, 0.15, 0.15, 0.15, 0.85);
    cairo_move_to(cr, x + 10, y + 22);
    cairo_show_text(cr, cells[i].first.c_str());
  }
  testing::writePicture(sheet->image(), path);
  std::cout << "wrote " << path << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command == "--regenerate") return regenerate();
    if (command == "--contact-sheet" && argc > 2) return contactSheet(argv[2], argc > 3 ? std::atoi(argv[3]) : 320);
  } catch (const StudioError& e) {
    std::cerr << e.userText() << " (" << e.detail() << ")\n";
    return 1;
  }
  std::cerr << "usage: studio_pictures --regenerate | --contact-sheet FILE [CELL]\n";
  return 64;
}
