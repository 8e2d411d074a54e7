// What a user of the desktop window feels, on a real display (run it under xvfb-run when there is no
// screen), each beside the bare core calls it wraps in the same run: dropping the vase's STL on the
// window until its first preview is painted, playback frames painted a second, and a drag across the
// preview (how many renders it starts and the longest the main thread is ever busy meanwhile).
#include "bench_support.h"

#include "model/app_model.h"
#include "ui/main_window.h"
#include "ui/preview_area.h"

#include "input/model_loader.h"
#include "input/sample_models.h"
#include "output/export_size.h"
#include "staging/look.h"
#include "studio/studio.h"

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

using namespace vantorel;

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values) { return bench::summary(std::move(values)).medianMs; }

struct Failed {
  const char* what;
};

/// Runs the event loop until `done` holds; false after a minute without it.
bool waitUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 60'000) return false;
    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
  }
  return true;
}

/// Counts the preview's paints that show a frame, stamping the last one.
struct PaintCounter : QObject {
  explicit PaintCounter(AppModel& model) : model_(model) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !model_.preview().isNull()) {
      ++paints;
      lastPaint = Clock::now();
    }
    return QObject::eventFilter(watched, event);
  }
  AppModel& model_;
  int paints = 0;
  Clock::time_point lastPaint;
};

/// One window as a user opens it: a fresh model, shown at its default size.
struct Window {
  Window() : window(model), counter(model) {
    window.show();
    frame = window.findChild<ui::PreviewFrame*>();
    if (!frame) throw Failed{"the window has no preview"};
    frame->installEventFilter(&counter);
    if (!waitUntil([&] { return window.isVisible(); })) throw Failed{"the window never showed"};
  }
  AppModel model{false};
  ui::MainWindow window;
  PaintCounter counter;
  ui::PreviewFrame* frame = nullptr;
};

void dropToPreview(const std::filesystem::path& file, int rounds) {
  const auto size = ExportSize::pixels(VideoSpec{}.aspect, AppModel::kPreviewShortSide);
  std::vector<double> app, bare;
  for (int i = 0; i < rounds + 1; ++i) {
    const auto bareStart = Clock::now();
    {
      PrintModel loaded = ModelLoader::load(file);
      const Look look = defaultLook(loaded);
      const auto studio = Studio::create(std::move(loaded), look);
      if (!studio->render(int(size.width), int(size.height), 0)) throw Failed{"the vase renders no picture"};
    }
    const double bareMs = msBetween(bareStart, Clock::now());

    Window w;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    const QPointF middle(w.window.width() / 2.0, w.window.height() / 2.0);
    QDragEnterEvent enter(middle.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    const auto start = Clock::now();
    QApplication::sendEvent(&w.window, &enter);
    QApplication::sendEvent(&w.window, &drop);
    if (!waitUntil([&] { return w.counter.paints > 0 || w.model.error(); })) throw Failed{"the drop never showed"};
    if (w.model.error()) throw Failed{"the dropped file did not open"};
    if (i == 0) continue;  // warm-up
    app.push_back(msBetween(start, w.counter.lastPaint));
    bare.push_back(bareMs);
  }
  const double appMs = median(app), bareMs = median(bare);
  std::printf("1. drop the vase's STL on the window → first %lld×%lld preview painted: %.0f ms (median of %d)\n",
              static_cast<long long>(size.width), static_cast<long long>(size.height), appMs, rounds);
  std::printf("   beside bare ModelLoader::load + Studio::create + first Studio::render: %.0f ms → %.2f×\n", bareMs,
              appMs / bareMs);
}

void playback(int seconds) {
  Window w;
  w.model.loadSample(SampleModels::twistedVase());
  if (!waitUntil([&] { return w.counter.paints > 0 && !w.model.rendering(); })) throw Failed{"no preview"};
  const auto size = ExportSize::pixels(w.model.video().aspect, AppModel::kPlaybackShortSide);
  std::vector<double> bare;
  for (int i = 0; i < 15; ++i) {
    const auto start = Clock::now();
    if (!w.model.studio()->render(int(size.width), int(size.height), float(i) * 0.1f)) throw Failed{"no picture"};
    bare.push_back(msBetween(start, Clock::now()));
  }
  // What one paint of the preview costs on the main thread, the frame scaled to the window's size.
  std::vector<double> paint;
  for (int i = 0; i < 15; ++i) {
    const auto start = Clock::now();
    w.frame->repaint();
    paint.push_back(msBetween(start, Clock::now()));
  }
  w.model.play();
  if (!waitUntil([&] { return w.counter.paints > 5; })) throw Failed{"playback paints nothing"};
  const int first = w.counter.paints;
  const auto from = w.counter.lastPaint;
  QElapsedTimer clock;
  clock.start();
  if (!waitUntil([&] { return clock.elapsed() > seconds * 1000; })) throw Failed{"playback stalled"};
  w.model.stopPlaying();
  const double fps = 1000.0 * (w.counter.paints - first) / msBetween(from, w.counter.lastPaint);
  std::printf("2. playback of the vase at %lld×%lld: %.1f frames a second painted (over %d s)\n",
              static_cast<long long>(size.width), static_cast<long long>(size.height), fps, seconds);
  std::printf("   beside bare Studio::render: %.1f ms a frame, at most %.1f frames a second; one paint of the "
              "preview on the main thread: %.1f ms\n",
              median(bare), 1000.0 / median(bare), median(paint));
}

void drag(int moves) {
  Window w;
  w.model.loadSample(SampleModels::twistedVase());
  if (!waitUntil([&] { return w.counter.paints > 0 && !w.model.rendering(); })) throw Failed{"no preview"};
  int previews = 0;
  QObject::connect(&w.model, &AppModel::previewChanged, [&] { ++previews; });

  // A 60 Hz pointer: one move every 16 ms, each 3 points to the right, while a ticker records the
  // longest the main thread ever kept it waiting.
  const QPointF start = w.frame->pictureRect().center();
  QMouseEvent press(QEvent::MouseButtonPress, start, w.frame->mapToGlobal(start), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(w.frame, &press);
  double longestGap = 0;
  auto lastTick = Clock::now();
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const auto now = Clock::now();
    longestGap = std::max(longestGap, msBetween(lastTick, now));
    lastTick = now;
  });
  ticker.start(1);
  for (int i = 1; i <= moves; ++i) {
    const QPointF at = start + QPointF(3.0 * i, 0);
    QMouseEvent move(QEvent::MouseMove, at, w.frame->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.frame, &move);
    QElapsedTimer step;
    step.start();
    waitUntil([&] { return step.elapsed() >= 16; });
  }
  const QPointF end = start + QPointF(3.0 * moves, 0);
  QMouseEvent release(QEvent::MouseButtonRelease, end, w.frame->mapToGlobal(end), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(w.frame, &release);
  ticker.stop();
  if (!waitUntil([&] { return !w.model.rendering(); })) throw Failed{"the drag's last preview never came"};
  std::printf("3. drag across the preview, %d moves at 60 Hz: %d previews drawn, the main thread never busy longer "
              "than %.1f ms, ending at %.1f° (expected %.1f°)\n",
              moves, previews, longestGap, double(w.model.previewTurn()), 0.6 * 3.0 * moves);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("VANTOREL_GL", "software", 0);
  QApplication application(argc, argv);
  if (QGuiApplication::platformName() == QStringLiteral("offscreen")) {
    std::printf("bench_window needs a display (run it under xvfb-run)\n");
    return 1;
  }
  try {
    bench::ScratchFolder folder;
    const auto vase = folder.path / "Twisted vase.stl";
    bench::writeBinarySTL(SampleModels::twistedVase().objects.front(), vase);
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    dropToPreview(vase, 5);
    playback(5);
    drag(120);
  } catch (const StudioError& e) {
    std::printf("no graphics: %s\n", e.detail().c_str());
    return 1;
  } catch (const Failed& failure) {
    std::printf("failed: %s\n", failure.what);
    return 1;
  }
  return 0;
}
