#include "output/output_preset.h"

#include <gtest/gtest.h>

using namespace vantorel;

// A preset sets only what it has; a video it sets takes the GIF's length and shape along.
TEST(OutputPreset, ApplyingSetsItsPartsAndTheGIFFollowsTheVideo) {
  const GIFSpec before{.shortSide = 480, .seconds = 5};
  struct Case {
    const char* id;
    VideoSpec video;
    GIFSpec gif;
    StillSpec stills;
  };
  const Case cases[] = {
      {"model-page", *OutputPreset::byId("model-page")->video,
       {.shortSide = 480, .seconds = 10, .aspect = Aspect::wide169},
       {.aspect = Aspect::wide169, .resolution = Resolution::r1080}},
      {"listing-video-15", *OutputPreset::byId("listing-video-15")->video, {.shortSide = 480, .seconds = 15}, {}},
      {"listing-photos-43", {}, before, {.aspect = Aspect::landscape43, .resolution = Resolution::r2000}},
  };
  for (const Case& c : cases) {
    VideoSpec video;
    GIFSpec gif = before;
    StillSpec stills;
    OutputPreset::byId(c.id)->apply(video, gif, stills);
    EXPECT_EQ(video, c.video) << c.id;
    EXPECT_EQ(gif, c.gif) << c.id;
    EXPECT_EQ(stills, c.stills) << c.id;
  }
  EXPECT_EQ(OutputPreset::byId("nope"), nullptr);
}
