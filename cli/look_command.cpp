#include "commands.h"
#include "look_flags.h"

#include <ostream>

namespace vantorel::cli {

int look(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string lookFile;
  LookFlags flags;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (std::string wrong; flags.read(args, i, wrong)) {
      if (wrong.empty()) continue;
      err << "vantorel-cli look: " << wrong << "\n";
      return exitUsage;
    }
    if (a == "-h" || a == "--help") {
      out << "Usage: vantorel-cli look [--look FILE] [FLAGS]\n\n"
             "Prints a look as JSON, as --look reads it back: the default look, or the\n"
             "one in FILE, changed by the flags. Save it to use it again:\n"
             "  vantorel-cli look --color Teal --finish silk > teal.json\n"
             "  vantorel-cli export model.stl --look teal.json --out listings/\n\nOptions:\n"
          << lookFileHelp() << LookFlags::help() << "  -h, --help          show this help\n";
      return 0;
    }
    if (a == "--look" && i + 1 < args.size()) {
      lookFile = args[++i];
    } else {
      err << "vantorel-cli look: unexpected \"" << a << "\". See vantorel-cli look --help.\n";
      return exitUsage;
    }
  }
  Look result;
  if (!lookFile.empty() && !readJSONFile(lookFile, "look", decodeLook, result, err)) return 1;
  flags.applyTo(result);
  out << encode(result).dump(2) << "\n";
  return 0;
}

}  // namespace vantorel::cli
