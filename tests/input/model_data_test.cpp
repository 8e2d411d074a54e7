#include "input/load_error.h"
#include "base/localized.h"
#include "input/print_model.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace vantorel;

TEST(RGBA, ParsesHexTextAndRefusesOtherLengths) {
  EXPECT_EQ(RGBA::hex("#FFF"), (RGBA{1, 1, 1, 1}));
  EXPECT_EQ(RGBA::hex("  ff8000 \n"), (RGBA{1, 128 / 255.0, 0, 1}));
  EXPECT_EQ(RGBA::hex("#00000080"), (RGBA{0, 0, 0, 128 / 255.0}));
  EXPECT_EQ(RGBA::hex("abc"), (RGBA{0xaa / 255.0, 0xbb / 255.0, 0xcc / 255.0, 1}));
  for (const char* bad : {"", "#", "ffff", "fffff", "fffffff", "#ff80zz", "+f8000", "ff 800", "##fff", "0x1234"}) {
    EXPECT_FALSE(RGBA::hex(bad).has_value()) << bad;
  }
  EXPECT_EQ(hexText(RGBA{1, 128 / 255.0, 0, 1}), "#FF8000");
  EXPECT_EQ(hexText(RGBA{0, 0, 0, 0.5}), "#00000080");
}

TEST(RGBA, JsonNeedsAllFourNumbers) {
  const RGBA c{0.25, 0.5, 0.75, 1};
  const nlohmann::json j = c;
  EXPECT_EQ(j.dump(), R"({"a":1.0,"b":0.75,"g":0.5,"r":0.25})");
  EXPECT_EQ(j.get<RGBA>(), c);
  EXPECT_THROW(nlohmann::json::parse(R"({"r":1,"g":1,"b":1})").get<RGBA>(), nlohmann::json::exception);
  EXPECT_THROW(nlohmann::json::parse(R"({"r":1,"g":1,"b":1,"a":"1"})").get<RGBA>(), nlohmann::json::exception);
}

TEST(PrintModel, CountsColoursAndScaling) {
  PrintModel m;
  m.unit = "inch";
  m.objects.push_back({0, "a", {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {0, 1, 2}, 0, std::nullopt});
  m.objects.push_back({1, "b", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 1, 3, 2}, std::nullopt, std::nullopt});
  EXPECT_EQ(m.triangleCount(), 3u);
  EXPECT_EQ(m.vertexCount(), 7u);
  EXPECT_FALSE(m.hasColors()) << "an object colour index without a palette is no file colour";
  m.palette.push_back({1, 0, 0, 1});
  EXPECT_TRUE(m.hasColors());
  m.objects[0].color.reset();
  EXPECT_FALSE(m.hasColors());
  m.objects[1].triangleColors = std::vector<std::int32_t>{0, -1};
  EXPECT_TRUE(m.hasColors());

  const PrintModel big = m.scaled(25.4f);
  EXPECT_EQ(big.unit, "inch");
  EXPECT_EQ(big.objects[0].positions[2], (Float3{7 * 25.4f, 8 * 25.4f, 9 * 25.4f}));
  EXPECT_EQ(big.objects[1].indices, m.objects[1].indices);
  EXPECT_EQ(big.palette, m.palette);
}

TEST(LoadError, BuildsTheUserSentencesThroughTheTranslator) {
  EXPECT_EQ(LoadError::unsupported(".step").userText(),
            "This file type isn't supported (.step). Vantorel opens STL, 3MF and OBJ.");
  EXPECT_EQ(LoadError::malformed("it isn't a ZIP archive (too short)").userText(),
            "The file couldn't be read: it isn't a ZIP archive (too short).");
  EXPECT_EQ(LoadError::empty().userText(), "The file has no triangles to show.");
  EXPECT_EQ(LoadError::malformed("x"), LoadError::malformed("x"));
  EXPECT_FALSE(LoadError::malformed("x") == LoadError::malformed("y"));
  EXPECT_FALSE(LoadError::unsupported("x") == LoadError::malformed("x"));

  setTranslator([](std::string_view english) { return "<" + std::string(english) + ">"; });
  const std::string translated = LoadError::unsupported(".step").userText();
  const std::string english = LoadError::empty().what();
  setTranslator({});
  EXPECT_EQ(translated, "<This file type isn't supported (>.step<). Vantorel opens STL, 3MF and OBJ.>");
  EXPECT_EQ(english, "The file has no triangles to show.");
}
