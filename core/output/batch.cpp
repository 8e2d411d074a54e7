#include "output/batch.h"

#include "input/model_loader.h"
#include "output/cancelled.h"
#include "base/error.h"
#include "output/exporter.h"

namespace vantorel::Batch {

std::vector<Result> run(const std::vector<std::filesystem::path>& files, const ExportJob& job, const Look& look,
                        const std::filesystem::path& output, const Progress& progress, std::stop_token stop,
                        const std::function<void(const Result&)>& finished) {
  std::vector<Result> results;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (stop.stop_requested()) break;
    const auto& file = files[i];
    const std::string name = file.stem().string();
    try {
      std::vector<std::filesystem::path> outputs;
      {
        auto studio = Studio::create(ModelLoader::load(file), look);
        const auto folder = Exporter::newFolder(output, name);
        const ProgressCallback perFile = progress ? ProgressCallback([&, i](double p) { progress(i, p); }) : nullptr;
        outputs = Exporter::run(job, *studio, folder, safeName(name), perFile, stop);
      }  // the studio (and its model) go before the next file is loaded
      results.push_back({file, std::move(outputs), std::nullopt});
    } catch (const Cancelled&) {
      break;
    } catch (const std::exception& e) {
      results.push_back({file, {}, errorText(e)});
    }
    if (finished) finished(results.back());
  }
  return results;
}

}  // namespace vantorel::Batch
