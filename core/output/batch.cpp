#include "output/batch.h"

#include "base/error.h"
#include "input/model_loader.h"
#include "output/cancelled.h"
#include "output/exporter.h"

#include <algorithm>

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

}  // namespace

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
                        const std::function<void(const Result&)>& finished, ModelLoader::PlateChoice plates) {
  std::vector<Result> results;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (stop.stop_requested()) break;
    const auto& file = files[i];
    std::filesystem::path folder;
    std::vector<std::filesystem::path> outputs;
    try {
      eachPlate(file, plates, [&](PrintModel model, const std::string& name) {
        auto studio = Studio::create(std::move(model), look);
        folder = Exporter::newFolder(output, name);
        const ProgressCallback perFile = progress ? ProgressCallback([&, i](double p) { progress(i, p); }) : nullptr;
        auto written = Exporter::run(job, *studio, folder, safeName(name), perFile, stop);
        outputs.insert(outputs.end(), written.begin(), written.end());
        folder.clear();
      });  // each studio (and its model) goes before the next is loaded
      results.push_back({file, std::move(outputs), std::nullopt});
    } catch (const Cancelled&) {
      if (!folder.empty()) Exporter::removeIfEmpty(folder);
      break;
    } catch (const std::exception& e) {
      std::vector<std::filesystem::path> kept = std::move(outputs);  // the plates finished before it
      if (!folder.empty()) {
        const auto partial = keptFiles(folder);
        kept.insert(kept.end(), partial.begin(), partial.end());
        if (partial.empty()) Exporter::removeIfEmpty(folder);
      }
      results.push_back({file, std::move(kept), errorText(e)});
    }
    if (finished) finished(results.back());
  }
  return results;
}

}  // namespace vantorel::Batch
