#pragma once
// Command-line flags that each set one field of the look or of the output specs, taking the raw
// values and ranges of their JSON forms, so that changing one colour needs no file of thirteen keys.
#include "output/output_specs.h"
#include "staging/look.h"

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace vantorel::cli {

/// The settings of the three media an export makes, which the output flags set.
struct OutputSpecs {
  VideoSpec video;
  GIFSpec gif;
  StillSpec stills;
};

template <class Target>
struct FlagDefinition;

/// Flags as given on a command line, kept apart from what they change: they apply over whatever
/// that starts as (a model's default look, a preset, a JSON file), so they always have the last word.
template <class Target>
class Flags {
 public:
  /// Whether args[i] is one of these flags. If so it is read with its value (i moves past the
  /// value), or `error` gets one sentence naming the flag and the values it takes.
  bool read(const std::vector<std::string>& args, std::size_t& i, std::string& error);

  /// Sets what the flags set, in the order given, except that a flag for the GIF alone comes after
  /// one for the video the GIF follows.
  void applyTo(Target& target) const;

  bool empty() const { return given_.empty(); }

  /// One help line (or a few) per flag, with the values it takes.
  static std::string help();

 private:
  struct Given {
    const FlagDefinition<Target>* flag;
    std::string value;
  };
  std::vector<Given> given_;
};

using LookFlags = Flags<Look>;
using SpecFlags = Flags<OutputSpecs>;

extern template class Flags<Look>;
extern template class Flags<OutputSpecs>;

/// Reads and strictly decodes one JSON file (`what`: "look", "video spec" …); false, after one
/// sentence on `err`, when it can't be opened or isn't valid.
template <class T, class Decode>
bool readJSONFile(const std::string& file, const char* what, Decode decode, T& value, std::ostream& err) {
  std::ifstream in(file);
  if (!in) {
    err << file << ": the " << what << " file can't be opened.\n";
    return false;
  }
  try {
    value = decode(nlohmann::json::parse(in));
    return true;
  } catch (const nlohmann::json::exception& e) {
    err << file << ": this isn't a valid " << what << " (" << e.what() << ").\n";
    return false;
  }
}

/// "a, b or c": the way every list of values reads in help and errors.
std::string alternatives(const std::vector<std::string>& items);

/// The raw values of a choice as its flag takes them: "matte, silk, gloss or tpu".
template <Choice T>
std::string rawValues() {
  std::vector<std::string> raws;
  for (const T value : all<T>()) {
    if constexpr (std::is_same_v<RawOf<T>, std::int64_t>) raws.push_back(std::to_string(rawValue(value)));
    else raws.emplace_back(rawValue(value));
  }
  return alternatives(raws);
}

/// The help lines of --look FILE.
std::string lookFileHelp();

}  // namespace vantorel::cli
