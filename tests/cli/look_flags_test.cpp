// The look and output flags: what each sets, the sentences for wrong values, and `look` read back.
#include "command_call.h"
#include "commands.h"
#include "export_options.h"

#include "output/output_specs.h"
#include "staging/look.h"

#include "scratch_folder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

using namespace vantorel;
using nlohmann::json;

namespace {

// A look unlike the default in every field a row below checks.
Look fileLook() {
  Look look;
  look.finish = Finish::gloss;
  look.layerLines = true;
  look.shadow = false;
  look.useFileColors = false;
  return look;
}

// Replaces LOOK and VIDEO by the paths of files holding fileLook() and a 15 s HEVC video spec.
std::vector<std::string> withFiles(std::vector<std::string> args, const test::ScratchFolder& folder) {
  for (auto& a : args) {
    if (a == "LOOK") a = folder.write("look.json", encode(fileLook()).dump()).string();
    if (a == "VIDEO") a = folder.write("video.json", encode(VideoSpec{15, 30, Aspect::square, Resolution::r1080, VideoCodec::hevc}).dump()).string();
  }
  return args;
}

struct Parsed {
  bool ok;
  json settings;  ///< {"look": …, "video": …, "gif": …, "stills": …}
  std::vector<std::string> rest;
  std::string err;
};

Parsed parse(std::vector<std::string> args) {
  args.insert(args.begin(), {"--out", "listings"});
  cli::ExportOptions options;
  std::vector<std::string> rest;
  std::ostringstream err;
  const bool ok = cli::parseExportOptions(args, options, rest, err);
  json settings;
  if (ok) {
    settings = {{"look", encode(options.look.value_or(Look{}))},
                {"video", encode(*options.job.video)},
                {"gif", encode(*options.job.gif)},
                {"stills", encode(*options.job.stills)}};
  }
  return {ok, settings, rest, err.str()};
}

using Outcome = test::CommandOutcome;
using test::call;

json rgba(double r, double g, double b) { return {{"r", r}, {"g", g}, {"b", b}, {"a", 1.0}}; }

}  // namespace

TEST(LookFlags, EachFlagSetsItsFieldOverTheDefaultsPresetAndFiles) {
  const test::ScratchFolder folder;
  const struct {
    std::vector<std::string> args;
    const char* field;
    json expected;
  } rows[] = {
      {{"--color", "#C0392B"}, "/look/color", rgba(0xC0 / 255.0, 0x39 / 255.0, 0x2B / 255.0)},
      {{"--color", "light-GRAY"}, "/look/color", rgba(0.72, 0.73, 0.74)},
      {{"--finish", "silk"}, "/look/finish", "silk"},
      {{"--layer-lines"}, "/look/layerLines", true},
      {{"--layer-lines", "0.12"}, "/look/layerHeight", 0.12},
      {{"--look", "LOOK", "--no-layer-lines"}, "/look/layerLines", false},
      {{"--background", "transparent"}, "/look/background", "transparent"},
      {{"--background-color", "#000"}, "/look/backgroundColor", rgba(0, 0, 0)},
      {{"--lighting", "dramatic"}, "/look/lighting", "dramatic"},
      {{"--no-shadow"}, "/look/shadow", false},
      {{"--look", "LOOK", "--shadow"}, "/look/shadow", true},
      {{"--scale-reference", "disc"}, "/look/scaleReference", "disc"},
      {{"--orientation", "yUp"}, "/look/orientation", "yUp"},
      {{"--camera", "top"}, "/look/camera", "top"},
      {{"--start-turn", "-45.5"}, "/look/startAngle", -45.5},
      {{"--no-file-colors"}, "/look/useFileColors", false},
      {{"--look", "LOOK", "--file-colors"}, "/look/useFileColors", true},
      {{"--look", "LOOK"}, "/look/finish", "gloss"},
      {{"--finish", "tpu", "--look", "LOOK"}, "/look/finish", "tpu"},  // a flag overrides the file wherever it stands
      {{"--seconds", "5"}, "/video/seconds", 5},
      {{"--seconds", "5"}, "/gif/seconds", 5},  // the GIF follows the video
      {{"--aspect", "wide169"}, "/video/aspect", "wide169"},
      {{"--aspect", "wide169"}, "/gif/aspect", "wide169"},
      {{"--aspect", "wide169"}, "/stills/aspect", "wide169"},
      {{"--resolution", "2160"}, "/video/resolution", 2160},
      {{"--resolution", "2160"}, "/stills/resolution", 2160},
      {{"--codec", "hevc"}, "/video/codec", "hevc"},
      {{"--clockwise"}, "/video/clockwise", true},
      {{"--gif-size", "800"}, "/gif/shortSide", 800},
      {{"--gif-fps", "10"}, "/gif/fps", 10},
      {{"--gif-seconds", "3", "--seconds", "15"}, "/gif/seconds", 3},  // … unless told otherwise
      {{"--preset", "social-video", "--resolution", "720"}, "/video/aspect", "portrait45"},
      {{"--preset", "social-video", "--resolution", "720"}, "/stills/resolution", 720},
      {{"--codec", "h264", "--video-spec", "VIDEO"}, "/video/codec", "h264"},
      {{"--codec", "h264", "--video-spec", "VIDEO"}, "/video/seconds", 15},
  };
  for (const auto& row : rows) {
    const Parsed p = parse(withFiles(row.args, folder));
    ASSERT_TRUE(p.ok) << p.err;
    EXPECT_EQ(p.settings.at(json::json_pointer(row.field)), row.expected) << ::testing::PrintToString(row.args);
  }
  // A value that may be left out is taken only as a number: a model's path stays a path.
  EXPECT_EQ(parse({"--layer-lines", "0.2.stl"}).rest, std::vector<std::string>{"0.2.stl"});
}

TEST(LookFlags, AWrongValueIsOneSentenceNamingTheFlagAndItsValues) {
  const struct {
    std::vector<std::string> args;
    const char* sentence;
  } rows[] = {
      {{"--finish", "velvet"}, R"(--finish "velvet" isn't a finish; use matte, silk, gloss or tpu.)"},
      {{"--color", "#12345"},
       R"(--color "#12345" isn't a colour; use #RRGGBB or a swatch: White, Light Gray, Charcoal, Black, Red, Orange, )"
       "Yellow, Green, Teal, Blue, Purple, Pink, Wood Tan, Gold, Silver or Copper."},
      {{"--layer-lines", "-0.2"}, R"(--layer-lines "-0.2" isn't a layer height; use millimetres above 0, such as 0.12, 0.2 or 0.28.)"},
      {{"--camera"}, "--camera needs a value; use threeQuarter, eyeLevel, high or top."},
      {{"--start-turn", "left"}, R"(--start-turn "left" isn't an angle; use a number of degrees.)"},
      {{"--aspect", "Square"}, R"(--aspect "Square" isn't an aspect; use square, portrait45, landscape43 or wide169.)"},
      {{"--resolution", "1440"}, R"(--resolution "1440" isn't a resolution; use 720, 1080, 1600, 2000 or 2160.)"},
      {{"--seconds", "601"}, R"(--seconds "601" isn't a length; use whole seconds from 0 to 600.)"},
      {{"--gif-size", "4321"}, R"(--gif-size "4321" isn't a GIF size; use a whole number from 2 to 4320 (offered: 480, 600 or 800).)"},
      {{"--gif-fps", "0"}, R"(--gif-fps "0" isn't a frame rate; use a whole number from 1 to 100.)"},
  };
  for (const auto& row : rows) {
    const Parsed p = parse(row.args);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.err, row.sentence + std::string("\n"));
  }
  const Outcome render = call(cli::render, {"--sample", "vase", "--out", "x.png", "--orientation", "sideways"});
  EXPECT_EQ(render.status, cli::exitUsage);
  EXPECT_EQ(render.err, "vantorel-cli render: --orientation \"sideways\" isn't an orientation; use asPrinted, standUp, "
                        "onSide, upsideDown or yUp.\n");
  const Outcome look = call(cli::look, {"--codec", "hevc"});  // the look holds no output settings
  EXPECT_EQ(look.status, cli::exitUsage);
  EXPECT_EQ(look.err, "vantorel-cli look: unexpected \"--codec\". See vantorel-cli look --help.\n");
}

TEST(LookCommand, PrintsTheLookThatLookReadsBack) {
  const test::ScratchFolder folder;
  const Outcome made = call(cli::look, {"--color", "#C0392B", "--finish", "silk", "--no-shadow", "--start-turn", "30"});
  ASSERT_EQ(made.status, 0) << made.err;
  Look expected;
  expected.color = *RGBA::hex("#C0392B");
  expected.finish = Finish::silk;
  expected.shadow = false;
  expected.startAngle = 30;
  EXPECT_EQ(decodeLook(json::parse(made.out)), expected);

  const auto saved = folder.write("look.json", made.out);
  const Outcome again = call(cli::look, {"--look", saved.string()});
  EXPECT_EQ(again.out, made.out);
  EXPECT_EQ(parse({"--look", saved.string()}).settings.at("look"), encode(expected));
  EXPECT_EQ(call(cli::look, {"--look", (folder / "gone.json").string()}).status, 1);

  // render takes the same flags, over the model's default look.
  const auto png = folder / "clear.png";
  const Outcome render = call(cli::render, {"--sample", "vase", "--size", "16x16", "--background", "transparent", "--out", png.string()});
  ASSERT_EQ(render.status, 0) << render.err;
  char header[26] = {};
  std::ifstream(png, std::ios::binary).read(header, sizeof header);
  EXPECT_EQ(header[25], 6) << "an RGBA picture";
}
