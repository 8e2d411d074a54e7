#pragma once
// The built-in samples as the commands name them in their usage lines, help and errors.
#include <cstddef>
#include <string>
#include <string_view>

namespace vantorel::cli {

/// Whether `id` names a sample.
bool isSample(std::string_view id);

/// The identifiers for a usage line: "vase|planter".
std::string sampleAlternatives();

/// The identifiers for a sentence: "\"vase\" or \"planter\"", each followed by the sample's name in
/// brackets when `withNames`.
std::string sampleChoices(bool withNames = false);

/// `text` broken at spaces into lines of at most 80 columns, each line after the first indented by
/// `indent` spaces; `column` is where the text starts on the first line.
std::string wrapped(std::string_view text, std::size_t column, std::size_t indent);

}  // namespace vantorel::cli
