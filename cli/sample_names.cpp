#include "sample_names.h"

#include "input/sample_models.h"

#include <algorithm>

namespace vantorel::cli {

bool isSample(std::string_view id) {
  const auto ids = SampleModels::ids();
  return std::ranges::find(ids, id) != ids.end();
}

std::string sampleAlternatives() {
  std::string text;
  for (const auto id : SampleModels::ids()) {
    if (!text.empty()) text += '|';
    text += id;
  }
  return text;
}

std::string sampleChoices(bool withNames) {
  const auto ids = SampleModels::ids();
  std::string text;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (i > 0) text += i + 1 == ids.size() ? " or " : ", ";
    text += '"';
    text += ids[i];
    text += '"';
    if (withNames) text += " (" + *SampleModels::nameOf(ids[i]) + ")";
  }
  return text;
}

std::string wrapped(std::string_view text, std::size_t column, std::size_t indent) {
  constexpr std::size_t width = 80;
  std::string result;
  for (bool first = true; !text.empty(); first = false) {
    const auto space = text.find(' ');
    const std::string_view word = text.substr(0, space);
    if (!first && column + 1 + word.size() > width) {
      result += '\n';
      result.append(indent, ' ');
      column = indent;
    } else if (!first) {
      result += ' ';
      ++column;
    }
    result += word;
    column += word.size();
    text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
  }
  return result;
}

}  // namespace vantorel::cli
