#pragma once
// The scenes whose pictures are checked in under tests/data/studio: one place for the render test
// that compares them and the tool that regenerates them.
#include "studio/studio.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vantorel::testing {

struct ReferenceScene {
  std::string name;  ///< also the PNG's file name, without ".png"
  std::function<PrintModel()> model;
  Look look{};
  int width = 128, height = 128;
  float turnDegrees = 0;
  std::optional<float> elevation{};
  FramingMode mode = FramingMode::turntable;
};

/// A small closed test shape: a 30 mm tall, 24 mm wide rounded pillar with a flat top.
PrintModel smallShape();
/// The reference scenes, in a fixed order.
std::vector<ReferenceScene> referenceScenes();
/// Renders `scene` in a fresh studio (throws StudioError when there is no graphics).
std::optional<Image> renderScene(const ReferenceScene& scene);

/// Where the checked-in pictures live.
std::filesystem::path referenceFolder();

}  // namespace vantorel::testing
