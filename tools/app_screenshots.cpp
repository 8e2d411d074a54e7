// Walks the desktop window through the states the README and docs/screenshots show (empty, a model,
// two objects, a transparent look, the output tab, an export running, a finished batch) and saves a
// picture of the screen in each. Run it under Xvfb through tools/take-screenshots.
#include "model/app_model.h"
#include "model/panels.h"
#include "ui/icons.h"
#include "ui/main_window.h"

#include "input/sample_models.h"
#include "staging/look.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>

using namespace vantorel;

namespace {

/// Answers the save and folder panels with places in a scratch folder.
struct ScratchPanels : Panels {
  QString folder;
  QList<QUrl> openModelFiles() override { return {}; }
  std::optional<QUrl> saveFile(const QString& name, const QString& extension, const QString&) override {
    return QUrl::fromLocalFile(folder + "/" + name + "." + extension);
  }
  std::optional<QUrl> chooseFolder(const QString&, const QString&) override {
    QDir(folder).mkpath("batch-out");
    return QUrl::fromLocalFile(folder + "/batch-out");
  }
  void showInFolder(const QList<QUrl>&) override {}
};

bool waitUntil(const std::function<bool()>& done, int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > milliseconds) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(10);
  }
  return true;
}

/// Lets the window settle (layouts, the newest frame painted) before a picture is taken.
void settle() {
  waitUntil([] { return false; }, 600);
}

void writeBinarySTL(const PrintModel& model, const QString& path) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  char header[80] = {};
  std::strncpy(header, model.name.c_str(), sizeof header - 1);
  out.write(header, sizeof header);
  const auto count = std::uint32_t(model.triangleCount());
  out.write(reinterpret_cast<const char*>(&count), 4);
  for (const ModelObject& object : model.objects) {
    for (std::size_t t = 0; t < object.triangleCount(); ++t) {
      const float normal[3] = {};
      out.write(reinterpret_cast<const char*>(normal), sizeof normal);
      for (int corner = 0; corner < 3; ++corner) {
        const Float3& p = object.positions[object.indices[3 * t + corner]];
        const float xyz[3] = {p.x, p.y, p.z};
        out.write(reinterpret_cast<const char*>(xyz), sizeof xyz);
      }
      const std::uint16_t attributes = 0;
      out.write(reinterpret_cast<const char*>(&attributes), 2);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ui::chooseIconTheme();
  if (argc != 2) {
    std::fprintf(stderr, "usage: app_screenshots OUTPUT_FOLDER (under a display, e.g. xvfb-run)\n");
    return 64;
  }
  const QString output = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(output);
  QTemporaryDir scratch;

  AppModel model(false, scratch.filePath("settings.conf"));
  ScratchPanels panels;
  panels.folder = scratch.path();
  model.setPanels(&panels);
  ui::MainWindow window(model);
  window.resize(1360, 860);
  window.move(0, 0);
  window.show();

  int failures = 0;
  const auto shoot = [&](const char* name) {
    settle();
    QRect area = window.frameGeometry();
    const QPixmap screen = window.screen()->grabWindow(0);
    const QString path = output + "/" + name + ".png";
    if (!screen.copy(area.intersected(screen.rect())).save(path)) {
      std::fprintf(stderr, "%s couldn't be written.\n", qPrintable(path));
      ++failures;
    } else {
      std::printf("%s\n", qPrintable(path));
    }
  };
  const auto expect = [&](bool reached, const char* what) {
    if (!reached) {
      std::fprintf(stderr, "Gave up waiting for %s.\n", what);
      ++failures;
    }
  };
  const auto waitForPreview = [&](const char* what) {
    expect(waitUntil([&] { return model.studio() && !model.preview().isNull() && !model.rendering(); }, 60000), what);
  };

  shoot("empty");

  model.loadSample(*SampleModels::byId("vase"));
  waitForPreview("the vase");
  shoot("vase");

  model.loadSample(*SampleModels::byId("planter"));
  waitForPreview("the planter");
  shoot("planter");

  Look transparent = model.look();
  transparent.background = BackgroundStyle::transparent;
  model.setLook(transparent);
  model.setInspectorTab("scene");
  waitForPreview("the transparent look");
  shoot("transparent");

  Look plain = model.look();
  plain.background = BackgroundStyle::studio;
  model.setLook(plain);
  model.setInspectorTab("output");
  waitForPreview("the output tab");
  shoot("output");

  model.exportVideo();
  expect(waitUntil([&] { return model.progress().value_or(0) > 0.25; }, 120000), "the export to get going");
  shoot("export");
  model.cancelExport();
  expect(waitUntil([&] { return !model.progress() && !model.isExportTaskRunning(); }, 60000), "the export to stop");

  // A small batch: both samples as files and one file that isn't a model.
  QDir(scratch.path()).mkpath("models");
  writeBinarySTL(*SampleModels::byId("vase"), scratch.filePath("models/Twisted vase.stl"));
  writeBinarySTL(*SampleModels::byId("planter"), scratch.filePath("models/Planter.stl"));
  std::ofstream(scratch.filePath("models/Broken.stl").toStdString()) << "solid broken\nfacet normal 0 0\n";
  model.setNotice(std::nullopt);
  model.setBatchVideo(false);
  model.setBatchGIF(true);
  model.setBatchStills(false);
  GIFSpec gif = model.gif();
  gif.shortSide = 480;
  model.setGif(gif);
  VideoSpec video = model.video();
  video.seconds = 5;
  model.setVideo(video);
  model.openBatchFolder(QUrl::fromLocalFile(scratch.filePath("models")));
  expect(waitUntil([&] { return !model.batchListing() && !model.batchFiles().isEmpty(); }, 30000), "the listing");
  model.startBatch();
  expect(waitUntil([&] { return !model.batchRunning() && !model.batchResults().empty(); }, 600000), "the batch");
  shoot("batch");
  model.setBatchShown(false);

  return failures == 0 ? 0 : 1;
}
