#include "output/export_error.h"

#include "base/localized.h"

#include <gtest/gtest.h>

using namespace vantorel;

TEST(ExportError, SentencesForEveryKind) {
  EXPECT_EQ(ExportError::video("the writer didn't start").userText(),
            "The video couldn't be written: the writer didn't start.");
  EXPECT_EQ(ExportError::image("Bracket hero.png couldn't be finished").userText(),
            "The image couldn't be written: Bracket hero.png couldn't be finished.");
  EXPECT_EQ(ExportError::exists("clip.mp4").userText(), "\u201Cclip.mp4\u201D already exists, so it wasn't replaced.");
  EXPECT_EQ(ExportError::render().userText(), "A frame couldn't be drawn.");
  EXPECT_STREQ(ExportError::render().what(), "A frame couldn't be drawn.");
}

TEST(ExportError, TextsGoThroughTheTranslator) {
  setTranslator([](std::string_view english) {
    if (english == "The video couldn't be written: ") return std::string("Das Video konnte nicht geschrieben werden: ");
    if (english == "out of memory") return std::string("kein Speicher mehr");
    return std::string(english);
  });
  const ExportError error = ExportError::video("out of memory");
  EXPECT_EQ(error.userText(), "Das Video konnte nicht geschrieben werden: kein Speicher mehr.");
  EXPECT_STREQ(error.what(), "The video couldn't be written: out of memory.");
  setTranslator({});
}
