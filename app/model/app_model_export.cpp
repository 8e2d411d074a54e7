// The actions that write files: the single exports, their common runner and the batch.
#include "model/app_model.h"

#include "model/panels.h"

#include "base/error.h"
#include "base/localized.h"
#include "output/cancelled.h"
#include "output/exporter.h"

#include <QMetaObject>

#include <utility>

namespace vantorel {

namespace {

QString translated(std::string_view english) { return QString::fromStdString(localized(english)); }

/// `work` in a new folder named `baseName` inside `parent`; a failed or stopped export takes away
/// the folder when it holds nothing.
std::vector<std::filesystem::path> inNewFolder(
    const std::filesystem::path& parent, const std::string& baseName,
    const std::function<std::vector<std::filesystem::path>(const std::filesystem::path&)>& work) {
  const auto folder = Exporter::newFolder(parent, baseName);
  try {
    return work(folder);
  } catch (...) {
    Exporter::removeIfEmpty(folder);
    throw;
  }
}

QList<QUrl> urlsOf(const std::vector<std::filesystem::path>& paths) {
  QList<QUrl> urls;
  urls.reserve(qsizetype(paths.size()));
  for (const auto& path : paths) urls.append(fileUrl(path));
  return urls;
}

}  // namespace

void AppModel::runExport(const QString& title, ExportWork work) {
  if (!studio_) return;
  stopPlaying();
  setProgressTitle(title);
  setProgress(0.0);
  setError(std::nullopt);
  std::stop_source task;
  exportTask_ = task;
  auto run = [this, task, work = std::move(work), studio = studio_, look = look_] {
    const ProgressCallback report = [this](double fraction) {
      QMetaObject::invokeMethod(
          this,
          [this, fraction] {
            // A report queued behind the end must not bring the progress back.
            if (progress_) setProgress(fraction);
          },
          Qt::QueuedConnection);
    };
    try {
      // The preview may not have drawn the newest look yet; the export shows it.
      if (studio->look() != look) studio->update(look);
      auto files = work(*studio, report, task.get_token());
      QMetaObject::invokeMethod(
          this, [this, task, files = std::move(files)] { finishExport(task, files); }, Qt::QueuedConnection);
    } catch (const Cancelled&) {
      QMetaObject::invokeMethod(this, [this, task] { failExport(task, std::nullopt); }, Qt::QueuedConnection);
    } catch (const std::exception& e) {
      QMetaObject::invokeMethod(
          this, [this, task, text = QString::fromStdString(errorText(e))] { failExport(task, text); },
          Qt::QueuedConnection);
    }
  };
  startWhenStudioFree([this, run = std::move(run)] { pool_.start(run); });
}

void AppModel::forgetTask(const std::stop_source& task) {
  if (exportTask_ == task) exportTask_.reset();
}

void AppModel::finishExport(const std::stop_source& task, const std::vector<std::filesystem::path>& files) {
  forgetTask(task);
  setProgress(std::nullopt);
  setLastExport(urlsOf(files));
  if (files.size() == 1)
    setNotice(translated("Saved ") + QString::fromStdString(files.front().filename().string()) + QStringLiteral("."));
  else
    setNotice(translated("Saved %lld files.").replace(QStringLiteral("%lld"), QString::number(files.size())));
  requestPreview();
}

void AppModel::failExport(const std::stop_source& task, const std::optional<QString>& error) {
  forgetTask(task);
  setProgress(std::nullopt);
  if (error)
    setError(error);
  else
    setNotice(translated("Export stopped."));
  requestPreview();
}

void AppModel::cancelExport() {
  if (exportTask_) exportTask_->request_stop();
}

void AppModel::revealLastExport() {
  if (panels_ && !lastExport_.isEmpty()) panels_->showInFolder(lastExport_);
}

std::optional<QUrl> AppModel::chooseFolder(const QString& message) {
  if (!panels_) return std::nullopt;
  return panels_->chooseFolder(message, translated("Save Here"));
}

void AppModel::exportVideo() {
  const VideoSpec spec = video_;
  exportTurntable(translated("Save the turntable video ("), spec.seconds, spec.size(), QStringLiteral("mp4"),
                  translated("Writing the video…"), [spec](Studio& studio, const std::filesystem::path& path,
                                                          const ProgressCallback& progress, std::stop_token stop) {
                    Exporter::video(studio, spec, path, false, progress, stop);
                  });
}

void AppModel::exportGIF() {
  const GIFSpec spec = gif_;
  exportTurntable(translated("Save the turntable GIF ("), spec.seconds, spec.size(), QStringLiteral("gif"),
                  translated("Writing the GIF…"), [spec](Studio& studio, const std::filesystem::path& path,
                                                        const ProgressCallback& progress, std::stop_token stop) {
                    Exporter::gif(studio, spec, path, false, progress, stop);
                  });
}

void AppModel::exportTurntable(const QString& prompt, std::int64_t seconds, PixelSize size, const QString& extension,
                               const QString& title, TurntableWriter write) {
  if (!studio_ || !panels_) return;
  const QString message = prompt + QString::number(seconds) + translated(" s, ") +
                          QString::fromStdString(size.label()) + QStringLiteral(").");
  const auto destination = panels_->saveFile(baseName() + QStringLiteral(".") + extension, extension, message);
  if (!destination) return;
  runExport(title, [write = std::move(write), path = localPath(*destination)](
                       Studio& studio, const ProgressCallback& progress, std::stop_token stop) {
    write(studio, path, progress, stop);
    return std::vector{path};
  });
}

void AppModel::exportStills() {
  if (!studio_) return;
  const auto parent = chooseFolder(translated(
      "Choose a folder for the product shots (6 angles and a hero shot, PNG). They go into a new folder named for the "
      "model."));
  if (!parent) return;
  StillSpec spec = stills_;
  spec.includeSet = spec.includeHero = true;
  runExport(translated("Drawing the product shots…"),
            [spec, parent = localPath(*parent), name = baseName().toStdString()](
                Studio& studio, const ProgressCallback& progress, std::stop_token stop) {
              return inNewFolder(parent, name, [&](const std::filesystem::path& folder) {
                return Exporter::stills(studio, spec, folder, name, progress, stop);
              });
            });
}

void AppModel::exportEverything() {
  if (!studio_) return;
  const auto parent = chooseFolder(
      translated("Choose a folder for the video, the GIF and the product shots. They go into a new folder named for "
                 "the model."));
  if (!parent) return;
  const ExportJob job{video_, gif_, stills_};
  runExport(translated("Exporting everything…"),
            [job, parent = localPath(*parent), name = baseName().toStdString()](
                Studio& studio, const ProgressCallback& progress, std::stop_token stop) {
              return inNewFolder(parent, name, [&](const std::filesystem::path& folder) {
                return Exporter::run(job, studio, folder, name, progress, stop);
              });
            });
}

// The batch.

void AppModel::chooseBatchFolder() {
  if (!panels_) return;
  const auto folder = panels_->chooseFolder(translated("Choose a folder of STL, 3MF or OBJ files (subfolders too)."), {});
  if (folder) openBatchFolder(*folder);
}

double AppModel::batchProgress(std::size_t index, double fraction, std::size_t count) {
  return (double(index) + fraction) / double(count < 2 ? 1 : count);
}

void AppModel::startBatch() {
  if (batchFiles_.isEmpty()) return;
  const auto output = chooseFolder(translated("Choose where to save. Each model gets its own folder inside it."));
  if (!output) return;
  stopPlaying();
  ExportJob job;
  if (batchVideo_) job.video = video_;
  if (batchGIF_) job.gif = gif_;
  if (batchStills_) job.stills = stills_;
  std::vector<std::filesystem::path> files;
  files.reserve(std::size_t(batchFiles_.size()));
  for (const QUrl& url : batchFiles_) files.push_back(localPath(url));
  setBatchRunning(true);
  setBatchResults({});
  setProgressTitle(translated("Batch"));
  std::stop_source task;
  exportTask_ = task;
  pool_.start([this, task, job, files = std::move(files), look = look_, output = localPath(*output)] {
    const auto report = [this, count = files.size()](std::size_t index, double fraction) {
      QMetaObject::invokeMethod(
          this,
          [this, index, fraction, count] {
            if (!batchRunning_) return;
            setBatchCurrent(int(index));
            setProgress(batchProgress(index, fraction, count));
          },
          Qt::QueuedConnection);
    };
    // Each model's mark shows as soon as it is done, not all at the end.
    const auto finished = [this](const Batch::Result& result) {
      QMetaObject::invokeMethod(
          this,
          [this, result] {
            if (!batchRunning_) return;
            auto results = batchResults_;
            results.push_back(result);
            setBatchResults(results);
          },
          Qt::QueuedConnection);
    };
    auto results = Batch::run(files, job, look, output, report, task.get_token(), finished);
    QMetaObject::invokeMethod(
        this, [this, task, results = std::move(results)] { finishBatch(task, results); }, Qt::QueuedConnection);
  });
}

void AppModel::finishBatch(const std::stop_source& task, const std::vector<Batch::Result>& results) {
  forgetTask(task);
  setBatchRunning(false);
  setProgress(std::nullopt);
  setBatchResults(results);
  QList<QUrl> written;
  for (const auto& result : results) written.append(urlsOf(result.outputs));
  setLastExport(written);
}

}  // namespace vantorel
