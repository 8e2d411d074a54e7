// The menus' shortcuts from anywhere in the window, and what the command line opens.
#include "ui/app_commands.h"
#include "ui/command_line.h"
#include "ui/desktop_panels.h"
#include "ui/settings_view.h"

#include "input/sample_models.h"
#include "model/app_model.h"
#include "scratch_folder.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QSlider>
#include <QTest>

using namespace vantorel;

namespace {

constexpr const char* kTetrahedron =
    "solid t\n"
    "facet normal 0 0 -1\nouter loop\nvertex 0 0 0\nvertex 0 20 0\nvertex 20 0 0\nendloop\nendfacet\n"
    "facet normal 0 -1 0\nouter loop\nvertex 0 0 0\nvertex 20 0 0\nvertex 0 0 20\nendloop\nendfacet\n"
    "facet normal -1 0 0\nouter loop\nvertex 0 0 0\nvertex 0 0 20\nvertex 0 20 0\nendloop\nendfacet\n"
    "facet normal 1 1 1\nouter loop\nvertex 20 0 0\nvertex 0 20 0\nvertex 0 0 20\nendloop\nendfacet\n"
    "endsolid t\n";

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT
 private slots:
  void shortcutsWorkFromAnyControl();
  void commandLineOpensInOrder();
};

void ShellTest::shortcutsWorkFromAnyControl() {
  AppModel model(false);
  QMainWindow window;
  auto* commands = new ui::AppCommands(model, &window);
  commands->addMenus(window.menuBar());
  // A slider would take plain arrows; the commands' Ctrl+arrows must still reach the turntable.
  auto* slider = new QSlider(Qt::Horizontal);
  window.setCentralWidget(slider);
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  slider->setFocus();
  model.loadSample(SampleModels::twistedVase());
  QTRY_VERIFY_WITH_TIMEOUT(model.studio() != nullptr, 20000);

  QAction* play = commands->playAction();
  QCOMPARE(play->text(), QString("Play Turntable"));
  QTest::keyClick(slider, Qt::Key_R, Qt::ControlModifier);
  QVERIFY(model.playing());
  QCOMPARE(play->text(), QString("Stop Turning"));
  QTest::keyClick(slider, Qt::Key_R, Qt::ControlModifier);
  QVERIFY(!model.playing());
  QCOMPARE(play->text(), QString("Play Turntable"));

  model.backToStart();
  for (int i = 0; i < 3; ++i) QTest::keyClick(slider, Qt::Key_Left, Qt::ControlModifier);
  QCOMPARE(model.previewTurn(), -45.0f);
  QCOMPARE(slider->value(), 0);
  QTest::keyClick(slider, Qt::Key_0, Qt::ControlModifier);
  QCOMPARE(model.previewTurn(), 0.0f);

  // Preferences twice: one window, raised again.
  QTest::keyClick(slider, Qt::Key_Comma, Qt::ControlModifier);
  QTest::keyClick(slider, Qt::Key_Comma, Qt::ControlModifier);
  const auto settings = window.findChildren<ui::SettingsView*>();
  QCOMPARE(settings.size(), 1);
  QVERIFY(settings.first()->isVisible());
}

void ShellTest::commandLineOpensInOrder() {
  test::ScratchFolder folder;
  folder.write("b.stl", kTetrahedron);
  folder.write("models/a.stl", kTetrahedron);
  const QString working = QString::fromStdString(folder.path().string());

  const ui::LaunchRequest request =
      ui::parseArguments({"models/a.stl", "--sample", "planter", "--", "--b.stl", working + "/b.stl"}, working);
  QVERIFY(request.error.isEmpty());
  QCOMPARE(request.sample, std::optional<std::string>("planter"));
  QCOMPARE(request.files, (QList{QUrl::fromLocalFile(working + "/models/a.stl"),
                                 QUrl::fromLocalFile(working + "/--b.stl"), QUrl::fromLocalFile(working + "/b.stl")}));
  QVERIFY(!ui::parseArguments({"--sample", "teapot"}, working).error.isEmpty());
  QVERIFY(!ui::parseArguments({"--sample"}, working).error.isEmpty());
  QVERIFY(!ui::parseArguments({"--verbose"}, working).error.isEmpty());
  QVERIFY(ui::parseArguments({"-h"}, working).help);

  // Two files from the desktop: the first is opened, with the notice that names it.
  AppModel model(false);
  model.open(ui::parseArguments({"models/a.stl", "b.stl"}, working).files);
  QCOMPARE(model.notice().value_or(""),
           QString("Opened a.stl. To do many models at once, drop their folder (File › Batch Folder)."));
  QTRY_VERIFY_WITH_TIMEOUT(model.studio() != nullptr, 20000);
  QCOMPARE(model.sourceName(), QString("a.stl"));

  // "Show in Folder" without a file manager opens the folder that holds all of them.
  QCOMPARE(ui::DesktopPanels::commonFolder({QUrl::fromLocalFile("/out/Vase/a.png"), QUrl::fromLocalFile("/out/Pot/b.png"),
                                            QUrl::fromLocalFile("/out/Vase/c.png")}),
           QUrl::fromLocalFile("/out"));
  QCOMPARE(ui::DesktopPanels::commonFolder({QUrl::fromLocalFile("/out/Vase/a.png")}), QUrl::fromLocalFile("/out/Vase"));
}

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
