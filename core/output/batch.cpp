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

std::vector<Result> run(const std::vector<std::filesystem::path>& files, const ExportJob& job, const Look& look,
                        const std::filesystem::path& output, const Progress& progress, std::stop_token stop,
                        const std::function<void(const Result&)>& finished) {
  std::vector<Result> results;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (stop.stop_requested()) break;
    const auto& file = files[i];
    const std::string name = file.stem().string();
    std::filesystem::path folder;
    try {
      std::vector<std::filesystem::path> outputs;
      {
        auto studio = Studio::create(ModelLoader::load(file), look);
        folder = Exporter::newFolder(output, name);
        const ProgressCallback perFile = progress ? ProgressCallback([&, i](double p) { progress(i, p); }) : nullptr;
        outputs = Exporter::run(job, *studio, folder, safeName(name), perFile, stop);
      }  // the studio (and its model) go before the next file is loaded
      results.push_back({file, std::move(outputs), std::nullopt});
    } catch (const Cancelled&) {
      if (!folder.empty()) Exporter::removeIfEmpty(folder);
      break;
    } catch (const std::exception& e) {
      std::vector<std::filesystem::path> kept;
      if (!folder.empty()) {
        kept = keptFiles(folder);
        if (kept.empty()) Exporter::removeIfEmpty(folder);
      }
      results.push_back({file, std::move(kept), errorText(e)});
    }
    if (finished) finished(results.back());
  }
  return results;
}

}  // namespace vantorel::Batch
