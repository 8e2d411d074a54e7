// vantorel-cli: the headless front of Vantorel, for shops that render on servers.
#include "commands.h"

#include <clocale>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* usage = R"(Usage: vantorel-cli COMMAND [OPTIONS]

Commands:
  info     print the facts of model files (STL, 3MF, OBJ) or of a built-in sample
  render   render one studio picture of a model into a PNG
  export   make the listing media of one model (video, GIF, product shots)
  batch    export every model file of a folder
  look     print a look as JSON, made with the look flags, for --look

Run "vantorel-cli COMMAND --help" for the options of a command.
)";

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "-h" || args[0] == "--help") {
    (args.empty() ? std::cerr : std::cout) << usage;
    return args.empty() ? vantorel::cli::exitUsage : 0;
  }
  if (args[0] == "--version") {
    std::cout << "vantorel-cli 0.1.0\n";
    return 0;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "info") return vantorel::cli::info(args, std::cout, std::cerr);
  if (command == "render") return vantorel::cli::render(args, std::cout, std::cerr);
  if (command == "export") return vantorel::cli::exportModel(args, std::cout, std::cerr);
  if (command == "batch") return vantorel::cli::batch(args, std::cout, std::cerr);
  if (command == "look") return vantorel::cli::look(args, std::cout, std::cerr);
  std::cerr << "vantorel-cli: unknown command \"" << command << "\". Run vantorel-cli --help.\n";
  return vantorel::cli::exitUsage;
}
