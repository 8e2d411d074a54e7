#include "model/app_model.h"
#include "model/panels.h"

#include "input/sample_models.h"
#include "scratch_folder.h"

#include <QTest>

#include <algorithm>

using namespace vantorel;

namespace {

/// Answers every panel with what the test put in, and keeps what it was asked.
struct ScriptedPanels : Panels {
  std::optional<QUrl> file, folder;
  QString message;
  QList<QUrl> shown;

  QList<QUrl> openModelFiles() override { return {}; }
  std::optional<QUrl> saveFile(const QString&, const QString&, const QString& text) override { return message = text, file; }
  std::optional<QUrl> chooseFolder(const QString& prompt, const QString&) override { return message = prompt, folder; }
  void showInFolder(const QList<QUrl>& files) override { shown = files; }
};

QUrl urlOf(const std::filesystem::path& path) { return QUrl::fromLocalFile(QString::fromStdString(path.string())); }

bool allExist(const QList<QUrl>& files) {
  return std::ranges::all_of(files, [](const QUrl& url) { return std::filesystem::is_regular_file(localPath(url)); });
}

void waitForEnd(const AppModel& app) {
  QTRY_VERIFY_WITH_TIMEOUT(!app.isExportTaskRunning() && !app.rendering(), 120000);
  QVERIFY(!app.progress());
}

}  // namespace

class ExportActionsTest : public QObject {
  Q_OBJECT
 private slots:
  void exportsNameTheirFiles();
  void batchListsRunsAndStops();
};

void ExportActionsTest::exportsNameTheirFiles() {
  test::ScratchFolder folder;
  AppModel app(false, urlOf(folder / "settings.conf").toLocalFile());
  ScriptedPanels panels;
  app.setPanels(&panels);
  app.loadSample(*SampleModels::byId("vase"));

  // A cancelled panel does nothing.
  app.exportVideo();
  QCOMPARE(panels.message, QString("Save the turntable video (10 s, 1080 × 1080)."));
  QVERIFY(!app.progress() && !app.isExportTaskRunning());

  app.setGif({.shortSide = 48, .fps = 5, .seconds = 1, .aspect = Aspect::wide169});
  panels.file = urlOf(folder / "turn.gif");
  app.exportGIF();
  QCOMPARE(panels.message, QString("Save the turntable GIF (1 s, 84 × 48)."));
  QCOMPARE(app.progressTitle(), QString("Writing the GIF…"));
  QCOMPARE(app.progress(), std::optional(0.0));
  waitForEnd(app);
  QCOMPARE(app.notice().value_or(""), QString("Saved turn.gif."));
  QCOMPARE(app.lastExport(), QList{*panels.file});
  app.exportGIF();
  waitForEnd(app);
  QCOMPARE(app.error().value_or(""), QString("“turn.gif” already exists, so it wasn't replaced."));

  app.setStills({.aspect = Aspect::square, .resolution = Resolution::r720, .includeSet = false, .includeHero = false});
  panels.folder = urlOf(folder.path());
  app.exportStills();
  waitForEnd(app);
  QCOMPARE(app.notice().value_or(""), QString("Saved 7 files."));
  QVERIFY(app.lastExport().size() == 7 && allExist(app.lastExport()));
  app.revealLastExport();
  QCOMPARE(panels.shown, app.lastExport());

  // Stopped at once: the new folder goes again.
  const auto before = folder.names();
  app.exportEverything();
  app.cancelExport();
  waitForEnd(app);
  QCOMPARE(app.notice().value_or(""), QString("Export stopped."));
  QCOMPARE(folder.names(), before);

  // No files; a report that arrives after the end is dropped.
  ProgressCallback late;
  app.runExport("Test", [&late](Studio&, const ProgressCallback& progress, std::stop_token) {
    late = progress;
    return std::vector<std::filesystem::path>{};
  });
  waitForEnd(app);
  QCOMPARE(app.notice().value_or(""), QString("Saved 0 files."));
  late(0.5);
  QTest::qWait(50);
  QVERIFY(!app.progress());
}

void ExportActionsTest::batchListsRunsAndStops() {
  QCOMPARE(AppModel::batchProgress(0, 0.25, 1), 0.25);
  QCOMPARE(AppModel::batchProgress(2, 0.5, 4), 0.625);

  test::ScratchFolder folder;
  AppModel app(false, urlOf(folder / "settings.conf").toLocalFile());
  ScriptedPanels panels;
  app.setPanels(&panels);
  const char* const tetrahedron = "v 0 0 0\nv 20 0 0\nv 0 20 0\nv 0 0 20\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";
  for (const char* name : {"a", "b", "c", "d", "e"}) folder.write(std::string("five/") + name + ".obj", tetrahedron);
  folder.write("one/x.obj", tetrahedron);

  // The first folder's listing comes back after the second was chosen and is dropped.
  app.openBatchFolder(urlOf(folder / "one"));
  app.openBatchFolder(urlOf(folder / "five"));
  QTRY_VERIFY(!app.batchListing());
  QCOMPARE(app.batchFiles().size(), 5);

  std::filesystem::create_directory(folder / "out");
  panels.folder = urlOf(folder / "out");
  app.setBatchVideo(false);
  app.setStills({.aspect = Aspect::square, .resolution = Resolution::r720});
  std::size_t shownWhileRunning = 0;
  connect(&app, &AppModel::batchCurrentChanged, &app, [&app, &shownWhileRunning] {
    if (app.batchCurrent() != 2) return;
    shownWhileRunning = app.batchResults().size();
    app.cancelExport();
  });
  app.startBatch();
  QVERIFY(app.batchRunning() && app.progressTitle() == "Batch");
  QTRY_VERIFY_WITH_TIMEOUT(!app.batchRunning(), 300000);
  QVERIFY(!app.progress() && !app.isExportTaskRunning());
  QCOMPARE(app.batchResults().size(), std::size_t(2));
  QCOMPARE(shownWhileRunning, std::size_t(2));  // each model's result shows as it finishes
  QVERIFY(app.lastExport().size() == 14 && allExist(app.lastExport()));
}

QTEST_GUILESS_MAIN(ExportActionsTest)
#include "export_actions_test.moc"
