#include "model/app_model.h"
#include "model/panels.h"
#include "ui/batch_sheet.h"
#include "ui/progress_sheet.h"

#include "input/sample_models.h"
#include "output/cancelled.h"
#include "scratch_folder.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <thread>

using namespace vantorel;

namespace {

/// Answers the folder panel with what the test put in.
struct ScriptedPanels : Panels {
  std::optional<QUrl> folder;

  QList<QUrl> openModelFiles() override { return {}; }
  std::optional<QUrl> saveFile(const QString&, const QString&, const QString&) override { return {}; }
  std::optional<QUrl> chooseFolder(const QString&, const QString&) override { return folder; }
  void showInFolder(const QList<QUrl>&) override {}
};

QUrl urlOf(const std::filesystem::path& path) { return QUrl::fromLocalFile(QString::fromStdString(path.string())); }

/// Reports `fraction` and then holds until asked to stop.
AppModel::ExportWork heldAt(double fraction) {
  return [fraction](Studio&, const ProgressCallback& report, std::stop_token stop) -> std::vector<std::filesystem::path> {
    report(fraction);
    while (!stop.stop_requested()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    throw Cancelled();
  };
}

template <typename T>
T* child(const QWidget& parent, const char* name) {
  T* found = parent.findChild<T*>(QString::fromLatin1(name));
  if (!found) qFatal("no %s", name);
  return found;
}

}  // namespace

class SheetsTest : public QObject {
  Q_OBJECT
 private slots:
  void progressSheetShowsPercentAndOnlyStops();
  void batchSheetFollowsTheBatch();
};

void SheetsTest::progressSheetShowsPercentAndOnlyStops() {
  AppModel model(false);
  QWidget window;
  ui::ProgressSheet sheet(model, &window);
  const auto* percent = child<QLabel>(sheet, "progressPercent");
  auto* bar = child<QProgressBar>(sheet, "progressBar");
  model.loadSample(*SampleModels::byId("vase"));
  QTRY_VERIFY_WITH_TIMEOUT(model.studio() != nullptr, 20000);
  QVERIFY(!sheet.isVisible());

  model.runExport("Writing the GIF…", heldAt(0.537));
  QTRY_COMPARE(percent->text(), QString("53%"));
  QVERIFY(sheet.isVisible());
  QCOMPARE(child<QLabel>(sheet, "progressTitle")->text(), QString("Writing the GIF…"));
  QCOMPARE(bar->accessibleDescription(), QString("53 percent"));
  QCOMPARE(QAccessible::queryAccessibleInterface(bar)->valueInterface()->currentValue().toInt(), 53);

  // The window manager's close stops the export like Stop, and the sheet stays until it has ended.
  QVERIFY(!sheet.close());
  QVERIFY(sheet.isVisible());
  QTRY_COMPARE(model.notice().value_or(""), QString("Export stopped."));
  QVERIFY(!sheet.isVisible());

  model.setNotice(std::nullopt);
  model.runExport("Writing the GIF…", heldAt(0.1));
  QTRY_COMPARE(percent->text(), QString("10%"));
  QTest::keyClick(&sheet, Qt::Key_Escape);
  QVERIFY(sheet.isVisible());
  QTRY_COMPARE(model.notice().value_or(""), QString("Export stopped."));
  QVERIFY(!sheet.isVisible());
}

void SheetsTest::batchSheetFollowsTheBatch() {
  test::ScratchFolder folder;
  const char* const tetrahedron = "v 0 0 0\nv 20 0 0\nv 0 20 0\nv 0 0 20\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";
  for (const char* name : {"a", "b", "c", "d"}) folder.write(std::string("five/") + name + ".obj", tetrahedron);
  folder.write("five/broken.stl", "not a model");
  std::filesystem::create_directories(folder / "empty");
  std::filesystem::create_directories(folder / "out");

  AppModel model(false);
  ScriptedPanels panels;
  panels.folder = urlOf(folder / "out");
  model.setPanels(&panels);
  model.setGif({.shortSide = 48, .fps = 5, .seconds = 1});
  QWidget window;
  ui::BatchSheet sheet(model, &window);
  auto* start = child<QPushButton>(sheet, "batchStartButton");
  const auto* close = child<QPushButton>(sheet, "batchCloseButton");
  const auto* stop = child<QPushButton>(sheet, "batchStopButton");
  const auto* status = child<QLabel>(sheet, "batchStatus");
  const auto* list = child<QListWidget>(sheet, "batchFileList");
  QVERIFY(!sheet.isVisible());

  model.openBatchFolder(urlOf(folder / "empty"));
  QVERIFY(sheet.isVisible() && !start->isEnabled());
  QCOMPARE(status->text(), QString("Looking for models in “empty”…"));
  QTRY_VERIFY(!model.batchListing());
  QCOMPARE(status->text(), QString("0 models in “empty” and its subfolders."));
  QVERIFY(!start->isEnabled());

  model.openBatchFolder(urlOf(folder / "five"));
  QTRY_VERIFY(!model.batchListing());
  QCOMPARE(list->count(), 5);
  QVERIFY(start->isEnabled());
  child<QCheckBox>(sheet, "batchVideoSwitch")->click();
  child<QCheckBox>(sheet, "batchStillsSwitch")->click();
  QVERIFY(!model.batchVideo() && !model.batchStills() && !start->isEnabled());
  child<QCheckBox>(sheet, "batchGifSwitch")->click();
  QVERIFY(model.batchGIF() && start->isEnabled());

  QTest::keyClick(&sheet, Qt::Key_Return);
  QVERIFY(model.batchRunning());
  QVERIFY(stop->isVisible() && !close->isVisible() && !start->isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(!model.batchRunning(), 120000);
  QCOMPARE(child<QLabel>(sheet, "batchSummary")->text(), QString("Done: 5 models; 1 couldn't be read."));
  QVERIFY(!stop->isVisible() && close->isVisible() && start->isVisible());
  const auto broken = list->findItems("broken.stl", Qt::MatchExactly);
  QCOMPARE(broken.size(), 1);
  const auto& results = model.batchResults();
  const auto failed = std::ranges::find_if(results, [](const Batch::Result& r) { return r.error.has_value(); });
  QCOMPARE(broken.front()->toolTip().toStdString(), *failed->error);

  QTest::keyClick(&sheet, Qt::Key_Escape);
  QVERIFY(!model.batchShown() && !sheet.isVisible());
}

QTEST_MAIN(SheetsTest)
#include "sheets_test.moc"
