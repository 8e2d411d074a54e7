// The desktop application: one model, its window, and the files or sample asked for on the command line.
#include "ui/command_line.h"
#include "ui/desktop_panels.h"
#include "ui/icons.h"
#include "ui/main_window.h"

#include "input/sample_models.h"
#include "model/app_model.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

/// With VANTOREL_SCREENSHOT set, saves the window to that file once the first preview is on screen and
/// quits; exits with 1 when none comes within a minute.
void screenshotWhenDrawn(vantorel::AppModel& model, QWidget& window, const QString& file) {
  QObject::connect(&model, &vantorel::AppModel::previewChanged, &window, [&model, &window, file] {
    static bool taken = false;
    if (taken || model.preview().isNull()) return;
    taken = true;
    // Give the window a moment to paint the new frame.
    QTimer::singleShot(300, &window, [&window, file] {
      if (!window.grab().save(file)) {
        std::fprintf(stderr, "vantorel: could not write the screenshot %s\n", qPrintable(file));
        QCoreApplication::exit(1);
        return;
      }
      QCoreApplication::exit(0);
    });
  });
  QTimer::singleShot(60000, &window, [] {
    std::fprintf(stderr, "vantorel: no preview within 60 s, so no screenshot\n");
    QCoreApplication::exit(1);
  });
}

}  // namespace

int main(int argc, char** argv) {
  // Before Qt starts: the usage must print without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) break;
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(qPrintable(vantorel::ui::usageText()), stdout);
      return 0;
    }
  }

  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Vantorel"));
  QApplication::setApplicationName(QStringLiteral("Vantorel"));
  QGuiApplication::setDesktopFileName(QStringLiteral("vantorel"));
  QApplication::setWindowIcon(vantorel::ui::appIcon());
  QApplication::setQuitOnLastWindowClosed(true);
  vantorel::ui::chooseIconTheme();

  const vantorel::ui::LaunchRequest request =
      vantorel::ui::parseArguments(QApplication::arguments().mid(1), QDir::currentPath());
  if (!request.error.isEmpty()) {
    std::fprintf(stderr, "vantorel: %s\n\n%s", qPrintable(request.error), qPrintable(vantorel::ui::usageText()));
    return 64;
  }

  vantorel::ui::DesktopPanels panels;
  vantorel::AppModel model(true);
  model.setPanels(&panels);
  vantorel::ui::MainWindow window(model);
  panels.setWindow(&window);
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &model, &vantorel::AppModel::save);

  const QString screenshot = qEnvironmentVariable("VANTOREL_SCREENSHOT");
  if (!screenshot.isEmpty()) screenshotWhenDrawn(model, window, screenshot);

  window.show();
  // Once the window is up, so a slow read shows as loading in it and a failed one shows its error there.
  QTimer::singleShot(0, &model, [&model, request] {
    if (request.sample) model.loadSample(*vantorel::SampleModels::byId(*request.sample));
    if (!request.files.isEmpty()) model.open(request.files);
  });
  return app.exec();
}
