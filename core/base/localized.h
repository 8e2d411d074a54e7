#pragma once
// The one hook through which every user-facing text passes. The core returns the English text;
// the desktop application installs a translator (Qt's translate) at start-up.
#include <functional>
#include <string>
#include <string_view>

namespace vantorel {

using Translator = std::function<std::string(std::string_view english)>;

/// Returns the text for `english` in the user's language (English when no translator is installed).
std::string localized(std::string_view english);

/// Installs `translator` for all later calls of `localized`; an empty function removes it.
/// Call before any worker thread starts; the hook itself is not synchronised.
void setTranslator(Translator translator);

}  // namespace vantorel
