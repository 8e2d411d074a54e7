#include "input/print_model.h"
#include "output/output_preset.h"
#include "output/output_specs.h"
#include "staging/look_choices.h"
#include "staging/orientation.h"

#include "base/localized.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

using namespace vantorel;
using nlohmann::json;

namespace {

template <typename Decode>
void expectEveryMissingKeyFails(const nlohmann::ordered_json& valid, Decode decode) {
  for (const auto& item : valid.items()) {
    json j = valid;
    j.erase(item.key());
    EXPECT_THROW(decode(j), json::exception) << "without " << item.key();
  }
}

template <typename Decode>
void expectRejected(const nlohmann::ordered_json& valid, Decode decode, const char* key, const json& value) {
  json j = valid;
  j[key] = value;
  EXPECT_THROW(decode(j), json::exception) << key << " = " << value.dump();
}

}  // namespace

template <typename T>
class Choices : public testing::Test {};
using ChoiceTypes = testing::Types<Finish, BackgroundStyle, LightingPreset, ScaleReference, CameraAngle, Orientation,
                                   Aspect, Resolution, VideoCodec, ModelFormat>;
TYPED_TEST_SUITE(Choices, ChoiceTypes);

// Every case comes back from its raw value, in code and through JSON text; raw values and titles are
// distinct; stored values of the wrong type or naming no case are refused.
TYPED_TEST(Choices, EveryCaseRoundTripsThroughItsRawValue) {
  using T = TypeParam;
  std::set<json> raws;
  std::set<std::string> titles;
  for (T c : all<T>()) {
    EXPECT_EQ(fromRaw<T>(rawValue(c)), c);
    EXPECT_EQ(json(c), json(rawValue(c)));
    EXPECT_EQ(json::parse(json(c).dump()).get<T>(), c);
    raws.insert(json(c));
    titles.insert(title(c));
  }
  EXPECT_EQ(raws.size(), all<T>().size());
  EXPECT_EQ(titles.size(), all<T>().size());
  EXPECT_FALSE(titles.contains(""));
  for (const json& wrong : {json("Square"), json(""), json(1440), json(1080.0), json(UINT64_MAX), json(true),
                            json(nullptr)}) {
    EXPECT_THROW(wrong.get<T>(), json::exception) << wrong;
  }
}

// Numbers and format names read the same in every language.
TEST(ChoiceTitles, GoThroughTheTranslator) {
  setTranslator([](std::string_view english) { return "<" + std::string(english) + ">"; });
  EXPECT_EQ(title(Finish::gloss), "<Glossy PETG>");
  EXPECT_EQ(title(Orientation::onSide), "<On its side>");
  EXPECT_EQ(title(Aspect::wide169), "<Wide 16:9>");
  EXPECT_EQ(title(Resolution::r2160), "<2160 (4K)>");
  EXPECT_EQ(title(Resolution::r720), "720");
  EXPECT_EQ(title(ModelFormat::stlBinary), "<STL (binary)>");
  EXPECT_EQ(title(ModelFormat::threeMF), "3MF");
  setTranslator({});
}

TEST(SpecJSON, DefaultVideoSpecText) {
  EXPECT_EQ(encode(VideoSpec{}).dump(),
            R"({"seconds":10,"fps":30,"aspect":"square","resolution":1080,"codec":"h264","clockwise":false})");
  EXPECT_EQ(encode(GIFSpec{}).dump(), R"({"shortSide":600,"fps":20,"seconds":10,"aspect":"square"})");
  EXPECT_EQ(encode(StillSpec{}).dump(), R"({"aspect":"square","resolution":1080,"includeSet":true,"includeHero":true})");
  EXPECT_EQ(encode(PixelSize{1920, 1080}).dump(), R"({"width":1920,"height":1080})");
}

TEST(SpecJSON, RoundTrips) {
  const VideoSpec video{15, 60, Aspect::portrait45, Resolution::r2160, VideoCodec::hevc, true};
  EXPECT_EQ(decodeVideoSpec(json::parse(encode(video).dump())), video);
  EXPECT_EQ(json::parse(json(video).dump()).get<VideoSpec>(), video);
  const GIFSpec gif{800, 12, 5, Aspect::landscape43};
  EXPECT_EQ(decodeGIFSpec(json::parse(encode(gif).dump())), gif);
  const StillSpec still{Aspect::wide169, Resolution::r720, false, true};
  EXPECT_EQ(decodeStillSpec(json::parse(encode(still).dump())), still);
  EXPECT_EQ(json(PixelSize{7, 9}).get<PixelSize>(), (PixelSize{7, 9}));
}

TEST(SpecJSON, EveryMissingKeyFails) {
  expectEveryMissingKeyFails(encode(VideoSpec{}), decodeVideoSpec);
  expectEveryMissingKeyFails(encode(GIFSpec{}), decodeGIFSpec);
  expectEveryMissingKeyFails(encode(StillSpec{}), decodeStillSpec);
  expectEveryMissingKeyFails(encode(PixelSize{2, 2}), decodePixelSize);
  EXPECT_THROW(decodeVideoSpec(json::array()), json::exception);
}

// Unknown choices are the choice types' own test; here each field must be read strictly.
TEST(SpecJSON, WrongTypesFail) {
  const auto video = encode(VideoSpec{});
  expectRejected(video, decodeVideoSpec, "clockwise", 0);
  expectRejected(video, decodeVideoSpec, "clockwise", "false");
  expectRejected(video, decodeVideoSpec, "seconds", 10.5);
  expectRejected(video, decodeVideoSpec, "seconds", "10");
  expectRejected(video, decodeVideoSpec, "fps", true);
  expectRejected(encode(GIFSpec{}), decodeGIFSpec, "shortSide", 600.5);
  const auto still = encode(StillSpec{});
  expectRejected(still, decodeStillSpec, "includeSet", 1);
  expectRejected(still, decodeStillSpec, "includeHero", nullptr);
  const auto size = encode(PixelSize{2, 2});
  expectRejected(size, decodePixelSize, "width", 1.5);
  expectRejected(size, decodePixelSize, "height", json::parse("9223372036854775808"));
}

TEST(SpecJSON, ValuesThatWouldBreakAnExportFail) {
  const auto video = encode(VideoSpec{});
  for (const json& fps : {json(0), json(-30), json(241), json(std::int64_t(1) << 40)}) {
    expectRejected(video, decodeVideoSpec, "fps", fps);
  }
  for (const json& seconds : {json(-1), json(601), json(INT64_MAX)}) {
    expectRejected(video, decodeVideoSpec, "seconds", seconds);
  }
  const auto gif = encode(GIFSpec{});
  for (const json& side : {json(1), json(0), json(-600), json(4321)}) expectRejected(gif, decodeGIFSpec, "shortSide", side);
  expectRejected(gif, decodeGIFSpec, "fps", 101);
  expectRejected(gif, decodeGIFSpec, "seconds", 601);

  // The ends of each range are accepted.
  json j = video;
  j["fps"] = 240;
  j["seconds"] = 0;
  EXPECT_EQ(decodeVideoSpec(j).frameCount(), 0);
  j["fps"] = 1;
  j["seconds"] = 600;
  EXPECT_EQ(decodeVideoSpec(j).frameCount(), 600);
  json g = gif;
  g["shortSide"] = 2;
  EXPECT_EQ(decodeGIFSpec(g).size(), (PixelSize{2, 2}));
  g["shortSide"] = 4320;
  g["fps"] = 100;
  EXPECT_EQ(decodeGIFSpec(g).shortSide, 4320);
}

TEST(OutputPreset, SixDistinctPresetsWhoseDetailsNameTheirSizes) {
  const auto& all = OutputPreset::all();
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all[0].id, "listing-video");
  EXPECT_EQ(all[0].video, VideoSpec{});
  std::set<std::string> ids;
  for (const OutputPreset& preset : all) {
    ids.insert(preset.id);
    EXPECT_TRUE(preset.video || preset.stillAspect) << preset.id << " makes nothing";
    EXPECT_EQ(bool(preset.stillAspect), bool(preset.stillResolution)) << preset.id;
    // Where a detail gives pixel sizes, they are the ones the preset makes.
    if (preset.detail.find("\u00D7") == std::string::npos) continue;
    const PixelSize size = preset.video ? preset.video->size()
                                        : ExportSize::pixels(*preset.stillAspect, *preset.stillResolution);
    EXPECT_NE(preset.detail.find(size.label()), std::string::npos) << preset.id;
  }
  EXPECT_EQ(ids.size(), all.size());
  EXPECT_EQ(&OutputPreset::all(), &all);  // built once
}

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
