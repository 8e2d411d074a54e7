#include "base/number_format.h"

#include <unicode/locid.h>
#include <unicode/numberformatter.h>

#include <string_view>

namespace vantorel {

std::string formatCount(std::uint64_t value) {
  UErrorCode status = U_ZERO_ERROR;
  // The C/POSIX locale states no preference; group the English way rather than not at all.
  icu::Locale locale = icu::Locale::getDefault();
  if (std::string_view(locale.getName()) == "en_US_POSIX") locale = icu::Locale::getEnglish();
  const auto formatted = icu::number::NumberFormatter::withLocale(locale)
                             .grouping(UNUM_GROUPING_AUTO)
                             .formatInt(std::int64_t(value), status);
  std::string text;
  if (U_SUCCESS(status)) formatted.toString(status).toUTF8String(text);
  if (U_FAILURE(status) || text.empty()) text = std::to_string(value);
  return text;
}

}  // namespace vantorel
