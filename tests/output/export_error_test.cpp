#include "output/export_error.h"

#include "base/localized.h"

#include <gtest/gtest.h>

using namespace vantorel;

TEST(ExportError, TextsAndTheirTranslation) {
  EXPECT_EQ(ExportError::exists("clip.mp4").userText(), "\u201Cclip.mp4\u201D already exists, so it wasn't replaced.");
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
