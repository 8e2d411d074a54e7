// vantorel-thumbnailer: the picture a file manager shows for a model file, called as the freedesktop
// thumbnailer entry (vantorel.thumbnailer) says: vantorel-thumbnailer -s SIZE INPUT OUTPUT.
#include "base/error.h"
#include "input/model_loader.h"
#include "output/png_writer.h"
#include "output/shot_angle.h"
#include "staging/look.h"
#include "studio/studio.h"

#include <signal.h>

#include <charconv>
#include <clocale>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {
namespace {

constexpr int kExitUsage = 64;
// Below this a model is a speck; file managers ask for 128 to 1024.
constexpr int kSmallestSide = 16;

constexpr const char* kHelp = R"(Usage: vantorel-thumbnailer -s SIZE INPUT OUTPUT

Writes a PNG picture of the model file INPUT (STL, 3MF or OBJ) to OUTPUT for a
file manager's thumbnails: SIZE pixels on a side, the model alone with its
shadow on a transparent background, in its file's colours when it has some.
OUTPUT is replaced once the new picture is complete; nothing else is written.

The exit status is 1 when the model can't be read or drawn or OUTPUT can't be
written (OUTPUT is then left as it was), 64 for a usage error.
)";

std::optional<int> parseSide(std::string_view text) {
  int side = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), side);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (side < kSmallestSide || side > Studio::kLargestSide) return std::nullopt;
  return side;
}

// Holds back the ending signals while the picture is written and moved into place: a file manager
// that gives up on us at that moment finds OUTPUT complete, never a temporary file beside it.
class SignalsHeld {
public:
  SignalsHeld() {
    sigset_t ending;
    sigemptyset(&ending);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, s);
    pthread_sigmask(SIG_BLOCK, &ending, &saved_);
  }
  ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
  sigset_t saved_;
};

int run(const std::vector<std::string>& args) {
  const auto usage = [](const std::string& message) {
    std::cerr << "vantorel-thumbnailer: " << message << "\n";
    return kExitUsage;
  };
  std::optional<int> side;
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help") {
      std::cout << kHelp;
      return 0;
    } else if (a == "-s" || a == "--size") {
      if (i + 1 == args.size() || !(side = parseSide(args[i + 1]))) {
        return usage("-s takes a size in pixels from " + std::to_string(kSmallestSide) + " to " +
                     std::to_string(Studio::kLargestSide) + ".");
      }
      ++i;
    } else if (a == "--") {  // the paths after it may look like options
      paths.insert(paths.end(), args.begin() + std::ptrdiff_t(i) + 1, args.end());
      break;
    } else if (a.starts_with("-") && a.size() > 1) {
      return usage("unknown option \"" + a + "\". See vantorel-thumbnailer --help.");
    } else {
      paths.push_back(a);
    }
  }
  if (!side || paths.size() != 2) return usage("give -s SIZE, the model file and the picture to write.");
  const std::filesystem::path input(paths[0]), output(paths[1]);

  const std::jthread driver = Studio::prepare();  // loads while the model is read
  PrintModel model;
  try {
    model = ModelLoader::load(input);
  } catch (const std::exception& e) {
    std::cerr << input.string() << ": " << errorText(e) << "\n";
    return 1;
  }
  try {
    const Look look = defaultLook(model);
    const float elevation = heroElevation(look.camera);
    const auto studio = Studio::create(std::move(model), look);
    const auto picture = studio->render(*side, *side, 0, elevation, FramingMode::tight, /*background=*/false);
    if (!picture) {
      std::cerr << input.string() << ": the picture couldn't be made.\n";
      return 1;
    }
    const SignalsHeld held;
    PNGWriter::write(*picture, output, /*replacing=*/true);
  } catch (const StudioError& e) {
    std::cerr << "vantorel-thumbnailer: " << e.userText() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << output.string() << ": " << errorText(e) << "\n";
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace vantorel

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  return vantorel::run(std::vector<std::string>(argv + 1, argv + argc));
}
