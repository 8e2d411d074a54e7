#include "model/app_model.h"

#include "input/sample_models.h"
#include "scratch_folder.h"
#include "ui/empty_state.h"
#include "ui/main_window.h"
#include "ui/message_bar.h"
#include "ui/model_sidebar.h"
#include "ui/preview_area.h"
#include "ui/root_view.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace vantorel;
using namespace vantorel::ui;

namespace {

QUrl urlOf(const std::filesystem::path& path) { return QUrl::fromLocalFile(QString::fromStdString(path.string())); }

void drag(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

bool drop(QWidget* window, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint at(window->width() / 2, window->height() / 2);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &enter);
  if (!enter.isAccepted() || !static_cast<MainWindow*>(window)->dropTargeted()) return false;
  QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &dropped);
  return true;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT
 private slots:
  void messageBarShowsErrorBeforeNotice();
  void sidebarListsObjectsOfSeveral();
  void draggingThePreviewTurnsIt();
  void dropsOpenOnlyFiles();
};

void WindowTest::messageBarShowsErrorBeforeNotice() {
  AppModel model(false);
  QWidget window;
  MessageBar bar(model, &window);
  window.show();
  auto* text = bar.findChild<QLabel*>("messageText");
  auto* reveal = bar.findChild<QPushButton*>("showInFolderButton");
  QVERIFY(bar.isHidden());

  model.setNotice("Saved it.");
  model.setError("It broke.");
  QVERIFY(bar.isVisible());
  QCOMPARE(text->text(), QString("It broke."));
  QVERIFY(reveal->isHidden());
  bar.findChild<QToolButton*>("dismissMessageButton")->click();
  QVERIFY(!model.error());
  QCOMPARE(text->text(), QString("Saved it."));
  bar.findChild<QToolButton*>("dismissMessageButton")->click();
  QVERIFY(!model.notice() && bar.isHidden());
}

void WindowTest::sidebarListsObjectsOfSeveral() {
  AppModel model(false);
  ModelSidebar sidebar(model);
  sidebar.show();
  QVERIFY(sidebar.findChild<QWidget*>("sidebarNoModel")->isVisible());

  model.loadSample(SampleModels::twistedVase());
  QVERIFY(sidebar.findChild<QWidget*>("sidebarForm")->isVisible());
  QVERIFY(sidebar.findChild<QWidget*>("objectsSection")->isHidden());
  QCOMPARE(sidebar.findChild<QLabel*>("sidebarTriangles")->text(), QString("15,600"));

  model.loadSample(SampleModels::planterAndSaucer());
  const auto switches = sidebar.findChildren<QCheckBox*>();
  QCOMPARE(switches.size(), 2);
  switches[0]->click();
  QVERIFY(!switches[0]->isChecked() && model.hidden().size() == 1);
  // The last visible object stays, and its switch says so.
  switches[1]->click();
  QVERIFY(switches[1]->isChecked() && model.hidden().size() == 1);
  switches[0]->click();
  QVERIFY(switches[0]->isChecked() && model.hidden().empty());
}

void WindowTest::draggingThePreviewTurnsIt() {
  AppModel model(false);
  PreviewArea area(model);
  area.resize(800, 600);
  area.show();
  QVERIFY(area.findChild<EmptyState*>()->isVisible());

  model.loadSample(SampleModels::twistedVase());
  QTRY_VERIFY_WITH_TIMEOUT(!model.preview().isNull(), 20000);
  PreviewFrame* frame = area.frame();
  QVERIFY(frame->isVisible() && !area.findChild<EmptyState*>()->isVisible());
  model.setPreviewTurn(30);
  const QPointF centre = frame->pictureRect().center();
  drag(frame, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
  drag(frame, QEvent::MouseMove, centre + QPointF(1, 0), Qt::NoButton, Qt::LeftButton);
  QCOMPARE(model.previewTurn(), 30.0f);
  drag(frame, QEvent::MouseMove, centre + QPointF(150, 0), Qt::NoButton, Qt::LeftButton);
  QCOMPARE(model.previewTurn(), 120.0f);
  QCOMPARE(frame->accessibleName(), QString("Preview of the model, turned 120 degrees"));
  drag(frame, QEvent::MouseMove, centre + QPointF(600, 0), Qt::NoButton, Qt::LeftButton);
  QCOMPARE(model.previewTurn(), 390.0f);
  drag(frame, QEvent::MouseButtonRelease, centre + QPointF(600, 0), Qt::LeftButton, Qt::NoButton);
  // A new drag starts from where the last one left the preview.
  drag(frame, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
  drag(frame, QEvent::MouseMove, centre - QPointF(100, 0), Qt::NoButton, Qt::LeftButton);
  QCOMPARE(model.previewTurn(), 330.0f);
  drag(frame, QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton);
  QTRY_VERIFY_WITH_TIMEOUT(!model.rendering(), 20000);
}

void WindowTest::dropsOpenOnlyFiles() {
  test::ScratchFolder folder;
  const auto stl = folder.write("tiny.stl",
                                "solid tiny\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 10 0 0\n"
                                "vertex 0 10 0\nendloop\nendfacet\nendsolid tiny\n");
  AppModel model(false);
  MainWindow window(model);
  window.show();
  QCOMPARE(window.windowTitle(), QString("Vantorel"));
  QVERIFY(window.findChild<EmptyState*>()->isVisible());
  auto* play = window.findChild<QAction*>("playAction");
  QCOMPARE(play->text(), QString("Play"));

  QVERIFY(!drop(&window, {QUrl("https://example.com/notes.txt")}));
  QVERIFY(!model.error() && !model.loading());

  QVERIFY(drop(&window, {QUrl("https://example.com/notes.txt"), urlOf(stl)}));
  QVERIFY(!window.dropTargeted());
  QTRY_COMPARE_WITH_TIMEOUT(model.sourceName(), QString("tiny.stl"), 20000);
  QVERIFY(!model.error());
  QTRY_VERIFY_WITH_TIMEOUT(!model.preview().isNull(), 20000);

  model.play();
  QCOMPARE(play->text(), QString("Stop"));
  play->trigger();
  QVERIFY(!model.playing());
  QCOMPARE(play->text(), QString("Play"));

  // After an export, the message row offers the files it wrote.
  auto* reveal = window.findChild<QPushButton*>("showInFolderButton");
  model.runExport("Test", [&stl](Studio&, const ProgressCallback&, std::stop_token) {
    return std::vector<std::filesystem::path>{stl};
  });
  QTRY_VERIFY_WITH_TIMEOUT(!model.isExportTaskRunning() && !model.lastExport().isEmpty(), 20000);
  QVERIFY(window.findChild<QLabel*>("messageText")->isVisible());
  QVERIFY(reveal->isVisible());
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
