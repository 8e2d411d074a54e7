#pragma once
// The one observable object behind the desktop window: the open model and its studio, the look and
// output settings, the preview, the running export or batch and the message bar, with the user's
// actions on them. Lives on the main thread; long work runs on its own thread pool with copies of
// what it needs and hands results back through queued calls.
#include "model/saved_look.h"
#include "model/settings_store.h"

#include "input/print_model.h"
#include "output/batch.h"
#include "output/output_preset.h"
#include "output/output_specs.h"
#include "output/writer_callbacks.h"
#include "staging/look.h"
#include "staging/placement.h"
#include "staging/scale_check.h"
#include "studio/studio.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace vantorel {

class Panels;

class AppModel : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool persist READ persist CONSTANT)
  Q_PROPERTY(std::optional<vantorel::PrintModel> model READ model NOTIFY modelChanged)
  Q_PROPERTY(QString sourceName READ sourceName NOTIFY sourceNameChanged)
  Q_PROPERTY(std::shared_ptr<vantorel::Studio> studio READ studio NOTIFY studioChanged)
  Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
  Q_PROPERTY(vantorel::HiddenObjects hidden READ hidden NOTIFY hiddenChanged)
  Q_PROPERTY(vantorel::Look look READ look WRITE setLook NOTIFY lookChanged)
  Q_PROPERTY(vantorel::VideoSpec video READ video WRITE setVideo NOTIFY videoChanged)
  Q_PROPERTY(vantorel::GIFSpec gif READ gif WRITE setGif NOTIFY gifChanged)
  Q_PROPERTY(vantorel::StillSpec stills READ stills WRITE setStills NOTIFY stillsChanged)
  Q_PROPERTY(std::vector<vantorel::SavedLook> savedLooks READ savedLooks WRITE setSavedLooks NOTIFY savedLooksChanged)
  Q_PROPERTY(QImage preview READ preview NOTIFY previewChanged)
  Q_PROPERTY(float previewTurn READ previewTurn NOTIFY previewTurnChanged)
  Q_PROPERTY(bool playing READ playing NOTIFY playingChanged)
  Q_PROPERTY(std::optional<double> progress READ progress NOTIFY progressChanged)
  Q_PROPERTY(QString progressTitle READ progressTitle NOTIFY progressTitleChanged)
  Q_PROPERTY(QList<QUrl> lastExport READ lastExport NOTIFY lastExportChanged)
  Q_PROPERTY(bool batchShown READ batchShown WRITE setBatchShown NOTIFY batchShownChanged)
  Q_PROPERTY(std::optional<QUrl> batchFolder READ batchFolder NOTIFY batchFolderChanged)
  Q_PROPERTY(QList<QUrl> batchFiles READ batchFiles NOTIFY batchFilesChanged)
  Q_PROPERTY(bool batchListing READ batchListing NOTIFY batchListingChanged)
  Q_PROPERTY(bool batchVideo READ batchVideo WRITE setBatchVideo NOTIFY batchVideoChanged)
  Q_PROPERTY(bool batchGIF READ batchGIF WRITE setBatchGIF NOTIFY batchGIFChanged)
  Q_PROPERTY(bool batchStills READ batchStills WRITE setBatchStills NOTIFY batchStillsChanged)
  Q_PROPERTY(bool batchRunning READ batchRunning NOTIFY batchRunningChanged)
  Q_PROPERTY(int batchCurrent READ batchCurrent NOTIFY batchCurrentChanged)
  Q_PROPERTY(std::vector<vantorel::Batch::Result> batchResults READ batchResults NOTIFY batchResultsChanged)
  Q_PROPERTY(std::optional<QString> error READ error WRITE setError NOTIFY errorChanged)
  Q_PROPERTY(std::optional<QString> notice READ notice WRITE setNotice NOTIFY noticeChanged)
  Q_PROPERTY(QString inspectorTab READ inspectorTab WRITE setInspectorTab NOTIFY inspectorTabChanged)

 public:
  /// With `persist`, the settings are read back from `settingsFile` (the user's settings file when
  /// empty) before anything else and written there on every change.
  explicit AppModel(bool persist, QString settingsFile = {}, QObject* parent = nullptr);
  ~AppModel() override;

  bool persist() const { return persist_; }
  const std::optional<PrintModel>& model() const { return model_; }
  const QString& sourceName() const { return sourceName_; }
  const std::shared_ptr<Studio>& studio() const { return studio_; }
  bool loading() const { return loading_; }
  const HiddenObjects& hidden() const { return hidden_; }
  const Look& look() const { return look_; }
  const VideoSpec& video() const { return video_; }
  const GIFSpec& gif() const { return gif_; }
  const StillSpec& stills() const { return stills_; }
  const std::vector<SavedLook>& savedLooks() const { return savedLooks_; }
  /// A null image when there is none.
  const QImage& preview() const { return preview_; }
  float previewTurn() const { return previewTurn_; }
  bool playing() const { return playing_; }
  std::optional<double> progress() const { return progress_; }
  const QString& progressTitle() const { return progressTitle_; }
  const QList<QUrl>& lastExport() const { return lastExport_; }
  bool batchShown() const { return batchShown_; }
  const std::optional<QUrl>& batchFolder() const { return batchFolder_; }
  const QList<QUrl>& batchFiles() const { return batchFiles_; }
  bool batchListing() const { return batchListing_; }
  bool batchVideo() const { return batchVideo_; }
  bool batchGIF() const { return batchGIF_; }
  bool batchStills() const { return batchStills_; }
  bool batchRunning() const { return batchRunning_; }
  int batchCurrent() const { return batchCurrent_; }
  const std::vector<Batch::Result>& batchResults() const { return batchResults_; }
  const std::optional<QString>& error() const { return error_; }
  const std::optional<QString>& notice() const { return notice_; }
  const QString& inspectorTab() const { return inspectorTab_; }

  // Untracked: no view follows them.
  bool rendering() const { return rendering_; }
  bool renderAgain() const { return renderAgain_; }
  bool isPlayTaskRunning() const { return playTask_.has_value(); }
  bool isExportTaskRunning() const { return exportTask_.has_value(); }

  /// The model's name (or "Model") made safe for file names.
  QString baseName() const;
  /// The verdict on the staged size the studio holds; ok without a studio.
  ScaleCheck scaleCheck() const;

  void setLook(const Look& look);
  void setVideo(const VideoSpec& video);
  void setGif(const GIFSpec& gif);
  void setStills(const StillSpec& stills);
  void setSavedLooks(const std::vector<SavedLook>& looks);
  void setBatchShown(bool shown);
  void setBatchVideo(bool on);
  void setBatchGIF(bool on);
  void setBatchStills(bool on);
  void setError(const std::optional<QString>& error);
  void setNotice(const std::optional<QString>& notice);
  void setInspectorTab(const QString& tab);
  /// The preview's angle while the user drags it; a turn command wraps it again.
  void setPreviewTurn(float turn);
  /// Device pixels per window pixel where the preview is shown: the preview is drawn that much larger
  /// (at most 3×) so a dense screen shows it sharp. Playback keeps its own size, for its frame rate.
  void setPreviewPixelRatio(double ratio);
  double previewPixelRatio() const { return previewPixelRatio_; }

  /// The panels the open, save and folder actions ask; the model does not own them.
  void setPanels(Panels* panels) { panels_ = panels; }

  // Actions, all on the main thread.
  void openPanel();
  void open(const QList<QUrl>& urls);
  void load(const QUrl& url);
  void loadSample(const PrintModel& model);
  void toggleHidden(std::int64_t id);
  void rebuildStudio();
  void scaleModel(float factor);
  /// Scales by the factor the scale check suggests; nothing when it suggests none.
  void fixScale();
  /// Shows the batch sheet for `folder` and lists its model files in the background.
  void openBatchFolder(const QUrl& folder);
  void chooseBatchFolder();
  /// Exports `batchFiles` with the parts the batch switches select into a folder the user chooses.
  void startBatch();
  /// The whole batch's progress when file `index` of `count` is `fraction` done.
  static double batchProgress(std::size_t index, double fraction, std::size_t count);

  /// An export's work on the studio: writes its files and returns them, reporting fractions through
  /// the callback and throwing Cancelled when the token asks it to stop. Runs on a pool thread.
  using ExportWork =
      std::function<std::vector<std::filesystem::path>(Studio& studio, const ProgressCallback&, std::stop_token)>;
  void exportVideo();
  void exportGIF();
  void exportStills();
  void exportEverything();
  /// Runs `work` on the open studio in the background with `title` and progress shown; nothing
  /// without a studio.
  void runExport(const QString& title, ExportWork work);
  /// Asks the running export or batch to stop; it ends on its own at its next check.
  void cancelExport();
  void revealLastExport();
  /// A folder to save into, asked with `message`; nothing without panels or when cancelled.
  std::optional<QUrl> chooseFolder(const QString& message);
  void requestPreview();
  void play();
  void stopPlaying();
  /// Degrees the playback turns in `elapsedSeconds` of wall-clock time.
  static double playbackStep(double elapsedSeconds, const VideoSpec& video);
  void togglePlay();
  void turn(float degrees);
  void backToStart();
  void applyPreset(const OutputPreset& preset);
  void saveLook(const QString& name);
  void applySavedLook(const SavedLook& saved);
  void deleteLook(const QUuid& id);
  void save();
  void restore();

  /// The preview and playback render sizes' short side.
  static constexpr std::int64_t kPreviewShortSide = 720, kPlaybackShortSide = 540;

 signals:
  void modelChanged();
  void sourceNameChanged();
  void studioChanged();
  void loadingChanged();
  void hiddenChanged();
  void lookChanged();
  void videoChanged();
  void gifChanged();
  void stillsChanged();
  void savedLooksChanged();
  void previewChanged();
  void previewTurnChanged();
  void playingChanged();
  void progressChanged();
  void progressTitleChanged();
  void lastExportChanged();
  void batchShownChanged();
  void batchFolderChanged();
  void batchFilesChanged();
  void batchListingChanged();
  void batchVideoChanged();
  void batchGIFChanged();
  void batchStillsChanged();
  void batchRunningChanged();
  void batchCurrentChanged();
  void batchResultsChanged();
  void errorChanged();
  void noticeChanged();
  void inspectorTabChanged();

 private:
  // Setters of the fields only the model itself changes.
  void setModel(std::optional<PrintModel> model);
  void setSourceName(const QString& name);
  void setStudio(std::shared_ptr<Studio> studio);
  void setLoading(bool loading);
  void setHidden(const HiddenObjects& hidden);
  void setPreview(const QImage& preview);
  void setPlaying(bool playing);
  void setLastExport(const QList<QUrl>& files);
  void setProgress(const std::optional<double>& progress);
  void setProgressTitle(const QString& title);
  void setBatchRunning(bool running);
  void setBatchCurrent(int index);
  void setBatchResults(const std::vector<Batch::Result>& results);

  /// Ends the export or batch that `task` stopped: it is no longer the running one.
  void forgetTask(const std::stop_source& task);
  void finishExport(const std::stop_source& task, const std::vector<std::filesystem::path>& files);
  void failExport(const std::stop_source& task, const std::optional<QString>& error);
  void finishBatch(const std::stop_source& task, const std::vector<Batch::Result>& results);

  /// Makes the freshly read or sample model the open one, with its studio and look.
  void takeModel(PrintModel model, std::shared_ptr<Studio> studio, const QString& sourceName, const Look& look);
  void finishPreview(const QImage& frame);
  /// Runs `start` once no preview or playback frame is being drawn.
  void startWhenStudioFree(std::function<void()> start);
  void startDeferredExports();
  void playFrame(std::uint64_t task, std::int64_t last);
  /// Writes one turntable file (video or GIF) where the save panel says, never over an existing file.
  using TurntableWriter = std::function<void(Studio&, const std::filesystem::path&, const ProgressCallback&,
                                             std::stop_token)>;
  void exportTurntable(const QString& prompt, std::int64_t seconds, PixelSize size, const QString& extension,
                       const QString& title, TurntableWriter write);
  /// Starts the idle countdown again: work just finished.
  void busy();
  void releaseIdleMemory();

  const bool persist_;
  std::unique_ptr<SettingsStore> store_;
  bool restoring_ = false;
  Panels* panels_ = nullptr;
  QThreadPool pool_;
  /// Fires after a quiet spell: the memory the readers and pictures keep for reuse goes back to the
  /// system, so an idle window holds only what it shows.
  QTimer idle_;

  std::optional<PrintModel> model_;
  QString sourceName_;
  std::shared_ptr<Studio> studio_;
  bool loading_ = false;
  HiddenObjects hidden_;
  Look look_;
  VideoSpec video_;
  GIFSpec gif_;
  StillSpec stills_;
  std::vector<SavedLook> savedLooks_;
  QImage preview_;
  float previewTurn_ = 0;
  double previewPixelRatio_ = 1;
  bool playing_ = false;
  bool rendering_ = false;
  bool renderAgain_ = false;
  bool playFrameDrawing_ = false;
  std::vector<std::function<void()>> deferredExports_;
  std::optional<std::uint64_t> playTask_;  ///< the running playback loop's number
  std::uint64_t nextPlayTask_ = 0;
  std::uint64_t rebuilds_ = 0;  ///< the newest studio rebuild's number
  std::optional<double> progress_;
  QString progressTitle_;
  QList<QUrl> lastExport_;
  std::optional<std::stop_source> exportTask_;
  bool batchShown_ = false;
  std::optional<QUrl> batchFolder_;
  QList<QUrl> batchFiles_;
  bool batchListing_ = false;
  bool batchVideo_ = true;
  bool batchGIF_ = false;
  bool batchStills_ = true;
  bool batchRunning_ = false;
  int batchCurrent_ = 0;
  std::vector<Batch::Result> batchResults_;
  std::optional<QString> error_;
  std::optional<QString> notice_;
  QString inspectorTab_ = QStringLiteral("look");
};

/// The studio's premultiplied RGBA picture as a Qt image (a copy).
QImage toQImage(const Image& image);

/// The local file a file URL names, and the URL of a local file.
std::filesystem::path localPath(const QUrl& url);
QUrl fileUrl(const std::filesystem::path& path);

}  // namespace vantorel
