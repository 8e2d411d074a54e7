// Starts the real application on an X server of its own with a model file and checks that the window
// it draws shows the model.
#include "scratch_folder.h"

#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

#include <string>

namespace {

/// A 20 mm cube as ASCII STL.
std::string cube() {
  const int corners[8][3] = {{0, 0, 0}, {20, 0, 0}, {20, 20, 0}, {0, 20, 0}, {0, 0, 20}, {20, 0, 20}, {20, 20, 20}, {0, 20, 20}};
  const int faces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                            {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
  std::string stl = "solid cube\n";
  for (const auto& face : faces) {
    stl += "facet normal 0 0 0\nouter loop\n";
    for (int corner : face)
      stl += "vertex " + std::to_string(corners[corner][0]) + " " + std::to_string(corners[corner][1]) + " " +
             std::to_string(corners[corner][2]) + "\n";
    stl += "endloop\nendfacet\n";
  }
  return stl + "endsolid cube\n";
}

}  // namespace

class LaunchTest : public QObject {
  Q_OBJECT
 private slots:
  void opensAModelFromTheCommandLine();
};

void LaunchTest::opensAModelFromTheCommandLine() {
  const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
  if (xvfb.isEmpty()) QSKIP("xvfb-run is not installed");
  vantorel::test::ScratchFolder folder;
  const QString root = QString::fromStdString(folder.path().string());
  folder.write("cube.stl", cube());
  const QString shot = root + "/shot.png";

  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove("QT_QPA_PLATFORM");
  environment.remove("DISPLAY");
  environment.remove("WAYLAND_DISPLAY");
  environment.insert("VANTOREL_GL", "software");
  environment.insert("VANTOREL_SCREENSHOT", shot);
  // The user's settings stay untouched.
  environment.insert("HOME", root);
  environment.insert("XDG_CONFIG_HOME", root + "/config");
  QProcess app;
  app.setProcessEnvironment(environment);
  app.setWorkingDirectory(root);
  app.setProcessChannelMode(QProcess::MergedChannels);
  app.start(xvfb, {"-a", "-s", "-screen 0 1600x1000x24", VANTOREL_APP_PATH, "cube.stl"});
  QVERIFY2(app.waitForFinished(120000), "the application didn't quit within two minutes");
  const QByteArray output = app.readAll();
  QVERIFY2(app.exitStatus() == QProcess::NormalExit && app.exitCode() == 0, output.constData());

  // The preview sits between the 260 sidebar and the 320 inspector; a drawn model gives it many shades.
  const QImage image = QImage(shot).convertToFormat(QImage::Format_RGB32);
  QVERIFY2(image.width() >= 1080 && image.height() >= 680, output.constData());
  const int left = 280, right = image.width() - 340;  // Xvfb draws at one pixel per point
  QSet<QRgb> shades;
  for (int y = image.height() / 5; y < image.height() * 4 / 5; y += 4)
    for (int x = left; x < right; x += 4) shades.insert(image.pixel(x, y));
  QVERIFY2(shades.size() > 50, qPrintable(QString("only %1 shades in the preview").arg(shades.size())));
}

QTEST_MAIN(LaunchTest)
#include "launch_test.moc"
