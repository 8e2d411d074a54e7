#include "model/app_model.h"

#include "model/panels.h"

#include "base/error.h"
#include "base/huge_page_allocator.h"
#include "base/localized.h"
#include "input/model_loader.h"
#include "output/export_size.h"

#include <QFileInfo>
#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace vantorel {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }
QString translated(std::string_view english) { return qs(localized(english)); }

QString lastComponent(const QUrl& url) { return url.fileName(); }

/// The description a failed read or build shows after the file's name.
QString describe(const std::exception& e) {
  if (const auto* error = dynamic_cast<const Error*>(&e)) return qs(error->userText());
  if (const auto* system = dynamic_cast<const std::system_error*>(&e)) return qs(system->code().message());
  return qs(e.what());
}

/// The load rule: file colours on exactly when the palette offers a choice of colours.
Look lookFor(const PrintModel& model, Look look) {
  look.useFileColors = model.palette.size() >= 2;
  return look;
}

float wrapped(float degrees) { return std::fmod(degrees, 360.0f); }

float radians(float degrees) { return degrees * 3.1415925f / 180.0f; }

/// A frame of `studio` under `look`; a null image when the studio makes none. Any thread.
QImage renderFrame(Studio& studio, const Look& look, PixelSize size, float turn) {
  if (studio.look() != look) studio.update(look);
  const auto frame = studio.render(int(size.width), int(size.height), turn);
  return frame ? toQImage(*frame) : QImage();
}

}  // namespace

QImage toQImage(const Image& image) {
  QImage result(image.width, image.height, QImage::Format_RGBA8888_Premultiplied);
  if (result.isNull()) return result;
  for (int y = 0; y < image.height; ++y) std::memcpy(result.scanLine(y), image.row(y), image.stride());
  return result;
}

std::filesystem::path localPath(const QUrl& url) {
  const QByteArray local = url.toLocalFile().toUtf8();
  return std::filesystem::path(std::string(local.constData(), std::size_t(local.size())));
}

QUrl fileUrl(const std::filesystem::path& path) { return QUrl::fromLocalFile(QString::fromStdString(path.string())); }

AppModel::AppModel(bool persist, QString settingsFile, QObject* parent) : QObject(parent), persist_(persist) {
  idle_.setSingleShot(true);
  idle_.setInterval(std::chrono::seconds(30));
  connect(&idle_, &QTimer::timeout, this, &AppModel::releaseIdleMemory);
  connect(this, &AppModel::studioChanged, this, &AppModel::busy);
  connect(this, &AppModel::previewChanged, this, &AppModel::busy);
  connect(this, &AppModel::progressChanged, this, &AppModel::busy);
  if (persist_) {
    store_ = std::make_unique<SettingsStore>(settingsFile);
    restore();
  }
}

AppModel::~AppModel() {
  playTask_.reset();
  if (exportTask_) exportTask_->request_stop();
  pool_.waitForDone();
}

void AppModel::busy() { idle_.start(); }

void AppModel::releaseIdleMemory() {
  // Anything still running will allocate again soon; try once more after the next quiet spell.
  if (loading_ || rendering_ || exportTask_ || playTask_) return busy();
  hugepages::releaseKept();
}

QString AppModel::baseName() const { return qs(Batch::safeName(model_ ? model_->name : std::string("Model"))); }

ScaleCheck AppModel::scaleCheck() const {
  // Staged again from the model rather than asked of the studio, whose lock a render in flight holds:
  // the window reads this on every change and must never wait for a frame.
  if (!studio_ || !model_) return ScaleCheck::ok();
  return ScaleCheck::of(Placement::of(*model_, look_.orientation, hidden_).stagedSize());
}

// Setters: each compares first, so a view hears only of real changes.

void AppModel::setLook(const Look& look) {
  if (look_ == look) return;
  look_ = look;
  emit lookChanged();
  requestPreview();
  save();
}

void AppModel::setVideo(const VideoSpec& video) {
  if (video_ == video) return;
  const bool aspectChanged = video_.aspect != video.aspect;
  video_ = video;
  emit videoChanged();
  if (gif_.seconds != video_.seconds || gif_.aspect != video_.aspect) {
    GIFSpec gif = gif_;
    gif.seconds = video_.seconds;
    setGif(gif);
    followVideo(gif, video_);
    setGif(gif);
  }
  if (aspectChanged) requestPreview();
  save();
}

void AppModel::setGif(const GIFSpec& gif) {
  if (gif_ == gif) return;
  gif_ = gif;
  emit gifChanged();
  save();
}

void AppModel::setStills(const StillSpec& stills) {
  if (stills_ == stills) return;
  stills_ = stills;
  emit stillsChanged();
  save();
}

void AppModel::setSavedLooks(const std::vector<SavedLook>& looks) {
  if (savedLooks_ == looks) return;
  savedLooks_ = looks;
  emit savedLooksChanged();
}

#define VANTOREL_SETTER(Name, Type, field, signal) \
  void AppModel::Name(Type value) {                \
    if (field == value) return;                    \
    field = value;                                 \
    emit signal();                                 \
  }

VANTOREL_SETTER(setBatchShown, bool, batchShown_, batchShownChanged)
VANTOREL_SETTER(setBatchVideo, bool, batchVideo_, batchVideoChanged)
VANTOREL_SETTER(setBatchGIF, bool, batchGIF_, batchGIFChanged)
VANTOREL_SETTER(setBatchStills, bool, batchStills_, batchStillsChanged)
VANTOREL_SETTER(setError, const std::optional<QString>&, error_, errorChanged)
VANTOREL_SETTER(setNotice, const std::optional<QString>&, notice_, noticeChanged)
VANTOREL_SETTER(setInspectorTab, const QString&, inspectorTab_, inspectorTabChanged)
VANTOREL_SETTER(setSourceName, const QString&, sourceName_, sourceNameChanged)
VANTOREL_SETTER(setLoading, bool, loading_, loadingChanged)
VANTOREL_SETTER(setHidden, const HiddenObjects&, hidden_, hiddenChanged)
VANTOREL_SETTER(setPreview, const QImage&, preview_, previewChanged)
VANTOREL_SETTER(setPreviewTurn, float, previewTurn_, previewTurnChanged)
VANTOREL_SETTER(setPlaying, bool, playing_, playingChanged)
VANTOREL_SETTER(setLastExport, const QList<QUrl>&, lastExport_, lastExportChanged)
VANTOREL_SETTER(setProgress, const std::optional<double>&, progress_, progressChanged)
VANTOREL_SETTER(setProgressTitle, const QString&, progressTitle_, progressTitleChanged)
VANTOREL_SETTER(setBatchRunning, bool, batchRunning_, batchRunningChanged)
VANTOREL_SETTER(setBatchCurrent, int, batchCurrent_, batchCurrentChanged)
VANTOREL_SETTER(setBatchResults, const std::vector<Batch::Result>&, batchResults_, batchResultsChanged)

#undef VANTOREL_SETTER

void AppModel::setModel(std::optional<PrintModel> model) {
  if (model_ == model) return;
  model_ = std::move(model);
  emit modelChanged();
}

void AppModel::setStudio(std::shared_ptr<Studio> studio) {
  if (studio_ == studio) return;
  studio_ = std::move(studio);
  emit studioChanged();
}

// Opening models.

void AppModel::openPanel() {
  if (!panels_) return;
  const QList<QUrl> urls = panels_->openModelFiles();
  if (!urls.isEmpty()) load(urls.first());
}

void AppModel::open(const QList<QUrl>& urls) {
  for (const QUrl& url : urls) {
    if (QFileInfo(url.toLocalFile()).isDir()) {
      openBatchFolder(url);
      return;
    }
  }
  QList<QUrl> models;
  for (const QUrl& url : urls)
    if (ModelLoader::canOpen(localPath(url))) models.append(url);
  if (models.isEmpty()) {
    setError(translated("Vantorel opens STL, 3MF and OBJ files."));
    return;
  }
  if (models.size() > 1)
    setNotice(translated("Opened ") + lastComponent(models.first()) +
              translated(". To do many models at once, drop their folder (File › Batch Folder)."));
  load(models.first());
}

void AppModel::load(const QUrl& url) {
  stopPlaying();
  setLoading(true);
  setError(std::nullopt);
  const Look current = look_;
  const QString name = lastComponent(url);
  pool_.start([this, url, current, name] {
    try {
      PrintModel model = ModelLoader::load(localPath(url));
      const Look look = lookFor(model, current);
      auto studio = Studio::create(model, look);
      QMetaObject::invokeMethod(
          this,
          [this, model = std::move(model), studio = std::move(studio), look, name]() mutable {
            ++rebuilds_;  // a rebuild of the previous model must not replace this studio
            takeModel(std::move(model), std::move(studio), name, look);
          },
          Qt::QueuedConnection);
    } catch (const std::exception& e) {
      QMetaObject::invokeMethod(
          this,
          [this, text = name + QStringLiteral(": ") + describe(e)] {
            setLoading(false);
            setError(text);
          },
          Qt::QueuedConnection);
    }
  });
}

void AppModel::loadSample(const PrintModel& model) {
  stopPlaying();
  const Look look = lookFor(model, look_);
  std::shared_ptr<Studio> studio;
  try {
    studio = Studio::create(model, look);
  } catch (const std::exception& e) {
    setError(describe(e));
    return;
  }
  ++rebuilds_;
  takeModel(model, std::move(studio), qs(model.name), look);
}

void AppModel::takeModel(PrintModel model, std::shared_ptr<Studio> studio, const QString& sourceName,
                         const Look& look) {
  setModel(std::move(model));
  setSourceName(sourceName);
  setStudio(std::move(studio));
  setHidden({});
  setPreviewTurn(0);
  setLastExport({});
  setLoading(false);
  setLook(look);
  requestPreview();
}

void AppModel::toggleHidden(std::int64_t id) {
  if (!model_) return;
  HiddenObjects hidden = hidden_;
  if (hidden.erase(id) == 0) {
    // At least one object stays visible.
    if (hidden.size() + 1 >= model_->objects.size()) return;
    hidden.insert(id);
  }
  setHidden(hidden);
  rebuildStudio();
}

void AppModel::rebuildStudio() {
  if (!model_) return;
  const std::uint64_t generation = ++rebuilds_;
  pool_.start([this, generation, model = *model_, look = look_, hidden = hidden_] {
    try {
      auto studio = Studio::create(model, look, hidden);
      QMetaObject::invokeMethod(
          this,
          [this, generation, studio = std::move(studio)]() mutable {
            // Rebuilds run side by side; one overtaken by a newer request would show an old state.
            if (generation != rebuilds_) return;
            setStudio(std::move(studio));
            requestPreview();
          },
          Qt::QueuedConnection);
    } catch (const std::exception&) {
      // The old studio keeps drawing; a rebuild has no message of its own.
    }
  });
}

void AppModel::scaleModel(float factor) {
  if (!model_) return;
  setModel(model_->scaled(factor));
  rebuildStudio();
  const QString shown = factor == 25.4f ? QStringLiteral("25.4") : QString::asprintf("%g", double(factor));
  setNotice(translated("Scaled %@×. The size line now shows the new size.").replace(QStringLiteral("%@"), shown));
}

void AppModel::fixScale() {
  if (const auto factor = scaleCheck().suggestedFactor()) scaleModel(*factor);
}

void AppModel::openBatchFolder(const QUrl& folder) {
  if (batchFolder_ != folder) {
    batchFolder_ = folder;
    emit batchFolderChanged();
  }
  if (!batchFiles_.isEmpty()) {
    batchFiles_.clear();
    emit batchFilesChanged();
  }
  setBatchResults({});
  setBatchCurrent(0);
  setBatchShown(true);
  if (!batchListing_) {
    batchListing_ = true;
    emit batchListingChanged();
  }
  pool_.start([this, folder] {
    QList<QUrl> files;
    for (const auto& file : ModelLoader::files(localPath(folder)))
      files.append(fileUrl(file));
    QMetaObject::invokeMethod(
        this,
        [this, folder, files] {
          // A listing of a folder chosen before the current one is stale.
          if (batchFolder_ != folder) return;
          if (batchFiles_ != files) {
            batchFiles_ = files;
            emit batchFilesChanged();
          }
          batchListing_ = false;
          emit batchListingChanged();
        },
        Qt::QueuedConnection);
  });
}

// The preview.

void AppModel::requestPreview() {
  if (!studio_ || progress_) return;
  if (rendering_) {
    renderAgain_ = true;
    return;
  }
  rendering_ = true;
  const auto shortSide = std::int64_t(std::lround(double(kPreviewShortSide) * previewPixelRatio_));
  PixelSize size = ExportSize::pixels(video_.aspect, shortSide);
  if (std::max(size.width, size.height) > Studio::kLargestSide) size = ExportSize::pixels(video_.aspect, kPreviewShortSide);
  pool_.start([this, studio = studio_, look = look_, size, turn = radians(previewTurn_)] {
    QImage frame = renderFrame(*studio, look, size, turn);
    QMetaObject::invokeMethod(this, [this, frame = std::move(frame)] { finishPreview(frame); }, Qt::QueuedConnection);
  });
}

void AppModel::setPreviewPixelRatio(double ratio) {
  ratio = std::isfinite(ratio) ? std::clamp(ratio, 1.0, 3.0) : 1.0;
  if (ratio == previewPixelRatio_) return;
  previewPixelRatio_ = ratio;
  requestPreview();
}

void AppModel::finishPreview(const QImage& frame) {
  setPreview(frame);
  rendering_ = false;
  if (renderAgain_) {
    renderAgain_ = false;
    requestPreview();
  }
  startDeferredExports();
}

void AppModel::startWhenStudioFree(std::function<void()> start) {
  deferredExports_.push_back(std::move(start));
  startDeferredExports();
}

void AppModel::startDeferredExports() {
  // An export changes the studio's look while it works; a frame still being drawn would change it back.
  if (rendering_ || playFrameDrawing_) return;
  for (auto& start : std::exchange(deferredExports_, {})) start();
}

void AppModel::turn(float degrees) {
  setPreviewTurn(wrapped(previewTurn_ + degrees));
  requestPreview();
}

void AppModel::backToStart() {
  setPreviewTurn(0);
  requestPreview();
}

// Playback: each finished frame starts the next, and the turn follows the wall clock.

namespace {
std::int64_t nowNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

void AppModel::play() {
  if (!studio_ || progress_) return;
  setPlaying(true);
  playTask_ = ++nextPlayTask_;
  playFrame(*playTask_, nowNanoseconds());
}

void AppModel::playFrame(std::uint64_t task, std::int64_t last) {
  if (!playing_ || playTask_ != task || !studio_) return;
  const std::int64_t now = nowNanoseconds();
  const double step = playbackStep(double(now - last) / 1e9, video_);
  setPreviewTurn(wrapped(float(previewTurn_ + step)));
  const PixelSize size = ExportSize::pixels(video_.aspect, kPlaybackShortSide);
  playFrameDrawing_ = true;
  pool_.start([this, task, now, studio = studio_, look = look_, size, turn = radians(previewTurn_)] {
    QImage frame = renderFrame(*studio, look, size, turn);
    QMetaObject::invokeMethod(
        this,
        [this, task, now, frame = std::move(frame)] {
          playFrameDrawing_ = false;
          startDeferredExports();
          if (!playing_ || playTask_ != task) return;
          setPreview(frame);
          playFrame(task, now);
        },
        Qt::QueuedConnection);
  });
}

double AppModel::playbackStep(double elapsedSeconds, const VideoSpec& video) {
  // One turn takes the video's length, so playback previews the loop at its real speed; a length
  // below two seconds would spin too fast to judge and turns once a second instead.
  const double seconds = video.seconds < 2 ? 1.0 : double(video.seconds);
  const double step = elapsedSeconds * 360.0 / seconds;
  return video.clockwise ? -step : step;
}

void AppModel::stopPlaying() {
  setPlaying(false);
  playTask_.reset();
}

void AppModel::togglePlay() {
  if (playing_)
    stopPlaying();
  else
    play();
}

void AppModel::applyPreset(const OutputPreset& preset) {
  if (preset.video) setVideo(*preset.video);
  StillSpec stills = stills_;
  if (preset.stillAspect) stills.aspect = *preset.stillAspect;
  if (preset.stillResolution) stills.resolution = *preset.stillResolution;
  setStills(stills);
  setNotice(qs(preset.title) + QStringLiteral(": ") + qs(preset.detail));
}

// Saved looks and persistence.

void AppModel::saveLook(const QString& name) {
  const std::string trimmed = trimmedName(name.toStdString());
  if (trimmed.empty()) return;
  std::vector<SavedLook> looks;
  for (const SavedLook& saved : savedLooks_)
    if (saved.name != trimmed) looks.push_back(saved);
  looks.push_back(SavedLook::make(trimmed, look_));
  setSavedLooks(looks);
  save();
}

void AppModel::applySavedLook(const SavedLook& saved) {
  Look look = saved.look;
  look.orientation = look_.orientation;
  look.useFileColors = saved.look.useFileColors && model_ && model_->hasColors();
  setLook(look);
}

void AppModel::deleteLook(const QUuid& id) {
  std::vector<SavedLook> looks;
  for (const SavedLook& saved : savedLooks_)
    if (saved.id != id) looks.push_back(saved);
  setSavedLooks(looks);
  save();
}

void AppModel::save() {
  if (!persist_ || !store_ || restoring_) return;
  const auto write = [this](std::string_view key, auto&& encodeValue) {
    try {
      store_->write(key, encodeValue());
    } catch (const std::exception&) {
      // A value that can't be encoded keeps its previous text; the other keys still go.
    }
  };
  write("look", [this] { return encode(look_).dump(); });
  write("video", [this] { return encode(video_).dump(); });
  write("gif", [this] { return encode(gif_).dump(); });
  write("stills", [this] { return encode(stills_).dump(); });
  write("savedLooks", [this] { return encodeSavedLooks(savedLooks_); });
  store_->sync();
}

void AppModel::restore() {
  if (!store_) return;
  restoring_ = true;
  const auto read = [this](std::string_view key, auto&& assign) {
    const auto text = store_->read(key);
    if (!text) return;
    try {
      assign(*text);
    } catch (const std::exception&) {
      // Unreadable: the field keeps its initial value.
    }
  };
  read("look", [this](const std::string& t) { setLook(decodeLook(nlohmann::json::parse(t))); });
  read("video", [this](const std::string& t) { setVideo(decodeVideoSpec(nlohmann::json::parse(t))); });
  read("gif", [this](const std::string& t) { setGif(decodeGIFSpec(nlohmann::json::parse(t))); });
  read("stills", [this](const std::string& t) { setStills(decodeStillSpec(nlohmann::json::parse(t))); });
  read("savedLooks", [this](const std::string& t) {
    if (auto looks = decodeSavedLooks(t)) setSavedLooks(*looks);
  });
  restoring_ = false;
}

}  // namespace vantorel
