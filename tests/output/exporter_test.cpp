// The exporter and the batch end to end on small models, rendered with the software rasteriser.
#include "output/batch.h"
#include "output/cancelled.h"
#include "output/export_error.h"
#include "output/exporter.h"
#include "output/shot_angle.h"
#include "input/model_loader.h"
#include "input/sample_models.h"

#include "media_check.h"

#include <gtest/gtest.h>

using namespace vantorel;
using namespace vantorel::test;
namespace fs = std::filesystem;

namespace {

// Small, fast specs: the smallest resolution, a few frames.
VideoSpec tinyVideo() { return {1, 3, Aspect::square, Resolution::r720, VideoCodec::h264, false}; }
GIFSpec tinyGIF() { return {32, 4, 1, Aspect::square}; }

Look transparentLook() {
  Look look;
  look.background = BackgroundStyle::transparent;
  look.shadow = false;
  return look;
}

}  // namespace

TEST(Exporter, StillsNameTheFilesAndReportSevenSteps) {
  ScratchFolder dir;
  auto studio = Studio::create(SampleModels::twistedVase(), Look{});
  std::vector<double> progress;
  const auto files = Exporter::stills(*studio, StillSpec{Aspect::square, Resolution::r720, true, true}, dir.path(),
                                      "Bracket", [&](double p) { progress.push_back(p); });
  std::vector<std::string> names;
  for (const auto& f : files) names.push_back(f.filename().string());
  EXPECT_EQ(names, (std::vector<std::string>{"Bracket 1-three-quarter.png", "Bracket 2-front.png", "Bracket 3-side.png",
                                             "Bracket 4-back.png", "Bracket 5-other-side.png", "Bracket 6-top.png",
                                             "Bracket hero.png"}));
  ASSERT_EQ(progress.size(), 7u);
  for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(progress[std::size_t(i)], (i + 1) / 7.0);
  EXPECT_EQ(progress[6], 1.0);
  const PNGInfo front = readPNG(files[1]);
  EXPECT_EQ(front.width, 720);
  EXPECT_EQ(front.height, 720);

  // Hero only: one file and one progress report; neither: nothing at all.
  fs::create_directories(dir / "hero");
  progress.clear();
  const auto hero = Exporter::stills(*studio, StillSpec{Aspect::square, Resolution::r720, false, true}, dir / "hero",
                                     "Bracket", [&](double p) { progress.push_back(p); });
  ASSERT_EQ(hero.size(), 1u);
  EXPECT_EQ(hero[0].filename(), "Bracket hero.png");
  EXPECT_EQ(progress, std::vector<double>{1.0});
  progress.clear();
  EXPECT_TRUE(Exporter::stills(*studio, StillSpec{Aspect::square, Resolution::r720, false, false}, dir.path(), "B",
                               [&](double p) { progress.push_back(p); })
                  .empty());
  EXPECT_TRUE(progress.empty());

  // Stills never replace: a second run into the same folder stops at the first existing file.
  EXPECT_THROW(Exporter::stills(*studio, StillSpec{}, dir.path(), "Bracket"), ExportError);
}

TEST(Exporter, RunSplitsProgressAndKeepsATransparentLookForStillsOnly) {
  ScratchFolder dir;
  auto studio = Studio::create(SampleModels::twistedVase(), transparentLook());
  ExportJob job;
  job.video = tinyVideo();
  job.gif = tinyGIF();
  job.stills = StillSpec{Aspect::square, Resolution::r720, false, true};
  std::vector<double> progress;
  const auto files = Exporter::run(job, *studio, dir.path(), "Vase", [&](double p) { progress.push_back(p); });
  ASSERT_EQ(files, (std::vector<fs::path>{dir / "Vase.mp4", dir / "Vase.gif", dir / "Vase hero.png"}));
  // Video frames report in 0…⅓, GIF frames in ⅓…⅔, the hero at 1.
  ASSERT_EQ(progress.size(), 3u + 4u + 1u);
  EXPECT_DOUBLE_EQ(progress[2], 1.0 / 3);
  EXPECT_DOUBLE_EQ(progress[3], 1.0 / 3 + 0.25 / 3);
  EXPECT_DOUBLE_EQ(progress[6], 2.0 / 3);
  EXPECT_EQ(progress.back(), 1.0);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(job.partAt(0.0), "video");
  EXPECT_EQ(job.partAt(0.5), "GIF");
  EXPECT_EQ(job.partAt(1.0), "product shots");
  EXPECT_EQ((ExportJob{std::nullopt, GIFSpec{}, std::nullopt}).partAt(0.9), "GIF");
  EXPECT_EQ(ExportJob{}.partAt(0.5), "");

  // The hero keeps transparency around the model (and gets its shadow), and the look is back.
  const PNGInfo hero = readPNG(files[2]);
  ASSERT_TRUE(hero.alpha);
  EXPECT_EQ(hero.pixels[3], 0);
  EXPECT_EQ(studio->look(), transparentLook());
}

TEST(Exporter, PutsTheLookBackAfterFailureAndCancellation) {
  ScratchFolder dir;
  auto studio = Studio::create(SampleModels::twistedVase(), transparentLook());
  dir.write("taken.mp4", "someone else's file");
  EXPECT_THROW(Exporter::video(*studio, tinyVideo(), dir / "taken.mp4", false), ExportError);
  EXPECT_EQ(studio->look(), transparentLook());
  EXPECT_EQ(fs::file_size(dir / "taken.mp4"), 19u) << "never replaced";

  std::stop_source stop;
  stop.request_stop();
  EXPECT_THROW(Exporter::gif(*studio, tinyGIF(), dir / "x.gif", false, {}, stop.get_token()), Cancelled);
  EXPECT_EQ(studio->look(), transparentLook());
  EXPECT_FALSE(fs::exists(dir / "x.gif"));
  EXPECT_THROW(Exporter::stills(*studio, StillSpec{}, dir.path(), "x", {}, stop.get_token()), Cancelled);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"taken.mp4"}) << "nothing new written";
}

TEST(Exporter, HeroAlwaysHasAShadow) {
  Look look;
  look.shadow = false;
  auto studio = Studio::create(SampleModels::twistedVase(), look);
  const auto hero = Exporter::hero(*studio, {96, 96});
  EXPECT_EQ(studio->look(), look) << "the look is put back";
  look.shadow = true;
  studio->update(look);
  const auto shadowed = studio->render(96, 96, 0, heroElevation(look.camera), FramingMode::tight, true);
  ASSERT_TRUE(hero && shadowed);
  EXPECT_EQ(hero->pixels, shadowed->pixels);
}

TEST(Batch, OneFolderPerModelFailuresRecordedAndCancellation) {
  ScratchFolder dir;
  const auto models = dir / "models";
  const std::string tri = "v 0 0 0\nv 10 0 0\nv 0 10 0\nv 0 0 10\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 1 4 3\n";
  for (const char* name : {"a/part.obj", "b/part.obj", "c.obj", "what?.obj"}) dir.write(fs::path("models") / name, tri);
  dir.write("models/b/broken.obj", "v 1 2\n");

  ExportJob job;
  job.stills = StillSpec{Aspect::square, Resolution::r720, false, true};
  const auto out = dir / "out";
  fs::create_directories(out);
  const auto files = ModelLoader::files(models);
  ASSERT_EQ(files.size(), 5u);
  const auto results = Batch::run(files, job, Look{}, out);
  ASSERT_EQ(results.size(), 5u);
  EXPECT_EQ(results[0].outputs, std::vector<fs::path>{out / "part" / "part hero.png"});
  EXPECT_EQ(results[1].error, "The file couldn't be read: a vertex line has no x, y and z.");
  EXPECT_TRUE(results[1].outputs.empty());
  EXPECT_FALSE(fs::exists(out / "broken")) << "a model that fails to load gets no folder";
  EXPECT_EQ(results[2].outputs, std::vector<fs::path>{out / "part 2" / "part hero.png"});
  EXPECT_EQ(results[3].source, models / "c.obj");
  EXPECT_EQ(results[4].outputs, std::vector<fs::path>{out / "what-" / "what- hero.png"});

  // Cancelled while the third of five models is exporting: two results.
  std::stop_source stop;
  ExportJob shots;
  shots.stills = StillSpec{Aspect::square, Resolution::r720, true, false};
  const auto again = Batch::run(files, shots, Look{}, out, [&](std::size_t index, double) {
    if (index == 2) stop.request_stop();
  }, stop.get_token());
  EXPECT_EQ(again.size(), 2u);
  EXPECT_TRUE(Batch::run({}, job, Look{}, dir / "never made").empty());
  EXPECT_FALSE(fs::exists(dir / "never made"));

  // Failing half-way lists the shot kept, in the next free folder; a stopped model leaves nothing.
  const auto halfway = Batch::run({files[3]}, shots, Look{}, out, [&](std::size_t, double) {
    throw std::runtime_error("The disk is full.");
  });
  EXPECT_EQ(halfway[0].outputs, std::vector<fs::path>{out / "c 2" / "c 1-three-quarter.png"});
  EXPECT_EQ(halfway[0].error, "The disk is full.");
  ExportJob film{tinyVideo(), std::nullopt, std::nullopt};
  std::stop_source halt;
  EXPECT_TRUE(Batch::run({files[3]}, film, Look{}, out, [&](std::size_t, double) { halt.request_stop(); }, halt.get_token()).empty());
  EXPECT_FALSE(fs::exists(out / "c 3"));
}

TEST(BatchReport, OneObjectPerResult) {
  const std::vector<Batch::Result> results{{"in/a.stl", {"out/a/a.mp4", "out/a/a.gif"}, std::nullopt},
                                           {"in/b.stl", {}, "The file has no triangles to show."}};
  const auto expected = nlohmann::ordered_json::parse(
      R"([{"source":"in/a.stl","outputs":["out/a/a.mp4","out/a/a.gif"],"error":null},)"
      R"({"source":"in/b.stl","outputs":[],"error":"The file has no triangles to show."}])");
  EXPECT_EQ(Batch::reportJSON(results), expected.dump(2) + "\n");
}
