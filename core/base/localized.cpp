#include "base/localized.h"

namespace vantorel {
namespace {
Translator& translatorSlot() {
  static Translator slot;
  return slot;
}
}  // namespace

std::string localized(std::string_view english) {
  const Translator& t = translatorSlot();
  return t ? t(english) : std::string(english);
}

void setTranslator(Translator translator) { translatorSlot() = std::move(translator); }

}  // namespace vantorel
