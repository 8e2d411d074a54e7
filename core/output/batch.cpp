#include "output/batch.h"

#include "base/error.h"
#include "input/model_loader.h"
#include "output/cancelled.h"
#include "output/exporter.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <unordered_set>

namespace vantorel::Batch {
namespace {

// What an export that failed half-way left in the new folder it made (nobody else writes there):
// the finished files in writing order, video, GIF, then the shots in set order and the hero.
std::vector<std::filesystem::path> keptFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> kept;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with('.') && it->is_regular_file(ec) && !it->is_symlink(ec)) kept.push_back(it->path());
  }
  const auto rank = [](const std::filesystem::path& p) {
    const auto ext = p.extension();
    return ext == ".mp4" ? 0 : ext == ".gif" ? 1 : 2;
  };
  std::ranges::sort(kept, [&](const auto& a, const auto& b) {
    return rank(a) != rank(b) ? rank(a) < rank(b) : a.filename() < b.filename();
  });
  return kept;
}

// A batch's folder name: the safe name, and its number (1 for none).
struct Planned {
  std::string base;
  int number = 1;
  std::string suffix() const { return number == 1 ? std::string() : " " + std::to_string(number); }
  std::string name() const { return base + suffix(); }
};

std::string plannedStem(const std::filesystem::path& file, ModelLoader::PlateChoice plates) {
  const std::string name = file.stem().string();
  if (plates.kind != ModelLoader::PlateChoice::Kind::one) return name;
  return name + localized(" plate ") + std::to_string(plates.number);  // as eachPlate names it
}

std::vector<Planned> planFolders(const std::vector<std::filesystem::path>& files, ModelLoader::PlateChoice plates) {
  std::vector<Planned> plan;
  plan.reserve(files.size());
  std::unordered_set<std::string> taken;
  taken.reserve(files.size());
  for (const auto& file : files) {
    Planned p{safeName(plannedStem(file, plates))};
    while (!taken.insert(p.name()).second) ++p.number;
    plan.push_back(std::move(p));
  }
  return plan;
}

// A hidden folder of our own in `output` for one model's files while they are written.
std::filesystem::path stagingFolder(const std::filesystem::path& output) {
  std::string name = (output / ".vantorel-XXXXXX").string();
  if (!::mkdtemp(name.data())) {
    throw std::filesystem::filesystem_error("cannot create folder", output, std::error_code(errno, std::generic_category()));
  }
  return name;
}

void discard(const std::filesystem::path& staging) noexcept {
  std::error_code ec;
  if (!staging.empty()) std::filesystem::remove_all(staging, ec);
}

// Gives the finished staging folder its name: the planned one, or when that is taken (by an earlier
// run into the same place, or anyone else) the next numbered name no file of the batch is planned
// for. Claiming the name with mkdir first means a name is never taken from anyone; the rename then
// replaces only the empty folder just made.
std::filesystem::path publish(const std::filesystem::path& staging, const std::filesystem::path& output,
                              const Planned& planned, const std::unordered_set<std::string>& reserved) {
  // Numbered fallbacks go on from the plain safe name ("part 2" taken: "part 3", not "part 2 2").
  Planned candidate = planned;
  for (int tries = 0;; ++tries) {
    const auto folder = Exporter::fittedName(output, candidate.base, candidate.suffix());
    if (::mkdir(folder.c_str(), 0777) == 0) {
      if (::rename(staging.c_str(), folder.c_str()) == 0) return folder;
      const int error = errno;
      ::rmdir(folder.c_str());
      throw std::filesystem::filesystem_error("cannot rename folder", staging, folder, std::error_code(error, std::generic_category()));
    }
    if (errno != EEXIST || tries == 9999) {
      throw std::filesystem::filesystem_error("cannot create folder", folder, std::error_code(errno, std::generic_category()));
    }
    if (tries == 0) candidate.number = 1;
    do ++candidate.number;
    while (candidate.number == planned.number || reserved.contains(candidate.name()));
  }
}

}  // namespace

std::vector<std::filesystem::path> ordered(std::vector<std::filesystem::path> files) {
  std::ranges::sort(files, [](const auto& a, const auto& b) { return a.native() < b.native(); });
  files.erase(std::unique(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.native() == b.native(); }),
              files.end());
  return files;
}

std::vector<std::string> folderNames(const std::vector<std::filesystem::path>& files, ModelLoader::PlateChoice plates) {
  std::vector<std::string> names;
  names.reserve(files.size());
  for (const auto& p : planFolders(files, plates)) names.push_back(p.name());
  return names;
}

std::vector<std::size_t> shard(std::size_t count, std::size_t k, std::size_t n) {
  std::vector<std::size_t> slice;
  if (n == 0 || k == 0 || k > n) return slice;
  slice.reserve(count / n + 1);
  for (std::size_t i = k - 1; i < count; i += n) slice.push_back(i);
  return slice;
}

void eachPlate(const std::filesystem::path& file, ModelLoader::PlateChoice plates,
               const std::function<void(PrintModel model, const std::string& name)>& work) {
  const std::string name = file.stem().string();
  const auto plateName = [&](std::int64_t n) { return name + localized(" plate ") + std::to_string(n); };
  if (plates.kind == ModelLoader::PlateChoice::Kind::one) return work(ModelLoader::load(file, plates), plateName(plates.number));
  PrintModel model = ModelLoader::load(file);
  if (plates.kind == ModelLoader::PlateChoice::Kind::standard || model.plates.size() < 2) return work(std::move(model), name);
  const std::vector<Plate> list = std::move(model.plates);
  model = {};
  for (const Plate& p : list) {
    if (!p.objects.empty()) work(ModelLoader::load(file, ModelLoader::PlateChoice::plate(p.number)), plateName(p.number));
  }
}

std::vector<Result> run(const std::vector<std::filesystem::path>& files, const ExportJob& job, const Look& look,
                        const std::filesystem::path& output, const Progress& progress, std::stop_token stop,
                        const std::function<void(const Result&)>& finished, ModelLoader::PlateChoice plates,
                        std::optional<std::span<const std::size_t>> only) {
  const std::vector<Planned> plan = planFolders(files, plates);
  std::unordered_set<std::string> reserved;
  for (const auto& p : plan) reserved.insert(p.name());
  std::vector<std::size_t> all;
  if (!only) {
    all.resize(files.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
  }
  const std::span<const std::size_t> handled = only ? *only : std::span<const std::size_t>(all);

  std::vector<Result> results;
  for (std::size_t i = 0; i < handled.size(); ++i) {
    if (stop.stop_requested()) break;
    const auto& file = files.at(handled[i]);
    const Planned& planned = plan[handled[i]];
    const std::string stem = file.stem().string();
    std::filesystem::path staging;
    Planned target = planned;
    std::vector<std::filesystem::path> outputs;
    try {
      eachPlate(file, plates, [&](PrintModel model, const std::string& name) {
        auto studio = Studio::create(std::move(model), look);
        staging = stagingFolder(output);
        // Under --plate all each plate's folder is the file's, followed by " plate N".
        const bool onePlateOfMany = plates.kind == ModelLoader::PlateChoice::Kind::all && name != stem;
        target = onePlateOfMany ? Planned{planned.name() + name.substr(stem.size()), 1} : planned;
        const ProgressCallback perFile = progress ? ProgressCallback([&, i](double p) { progress(i, p); }) : nullptr;
        const auto written = Exporter::run(job, *studio, staging, safeName(name), perFile, stop);
        const auto folder = publish(staging, output, target, reserved);
        staging.clear();
        for (const auto& w : written) outputs.push_back(folder / w.filename());
      });  // each studio (and its model) goes before the next is loaded
      results.push_back({file, std::move(outputs), std::nullopt});
    } catch (const Cancelled&) {
      // The model stopped is not done: it leaves nothing, and a resumed batch makes it whole.
      discard(staging);
      break;
    } catch (const std::exception& e) {
      std::vector<std::filesystem::path> kept = std::move(outputs);  // the plates finished before it
      if (!staging.empty()) {
        const auto partial = keptFiles(staging);
        if (!partial.empty()) {
          try {
            const auto folder = publish(staging, output, target, reserved);
            for (const auto& p : partial) kept.push_back(folder / p.filename());
            staging.clear();
          } catch (const std::exception&) {  // the export's own error is the one to report
          }
        }
        discard(staging);
      }
      results.push_back({file, std::move(kept), errorText(e)});
    }
    if (finished) finished(results.back());
  }
  return results;
}

}  // namespace vantorel::Batch
