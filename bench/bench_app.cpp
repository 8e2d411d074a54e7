// What the desktop window waits for, through the application model and its event loop, beside the
// bare core calls each action wraps, all measured in the same run: a look change to a new 720²
// preview of the vase, hiding or showing an object of the planter, playback of the vase at 540²,
// and opening a one-million-triangle binary STL up to its first preview. Each figure is a median
// over rounds; each round runs the bare call and the action one after the other, so a busy
// neighbour on the machine weighs on both alike.
#include "bench_support.h"

#include "model/app_model.h"

#include "input/model_loader.h"
#include "input/sample_models.h"
#include "output/export_size.h"
#include "studio/studio.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <QUrl>

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

double msSince(Clock::time_point from) { return msBetween(from, Clock::now()); }

double median(std::vector<double> values) { return bench::summary(std::move(values)).medianMs; }

/// When the model's results reach the main thread, stamped in the signal handlers so that the
/// polling of `waitUntil` adds nothing to the figures.
struct Arrivals {
  explicit Arrivals(AppModel& model) {
    QObject::connect(&model, &AppModel::previewChanged, [this] {
      ++previews;
      lastPreview = Clock::now();
    });
    QObject::connect(&model, &AppModel::studioChanged, [this] {
      ++studios;
      lastStudio = Clock::now();
    });
  }
  int previews = 0, studios = 0;
  Clock::time_point lastPreview, lastStudio;
};

/// Runs the event loop until `done` holds; false after a minute without it.
bool waitUntil(const std::function<bool()>& done) {
  if (done()) return true;
  QEventLoop loop;
  QTimer poll;
  const auto start = Clock::now();
  bool met = false;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    met = done();
    if (met || msSince(start) > 60'000) loop.quit();
  });
  poll.start(2);
  loop.exec();
  return met;
}

/// The wall time of `work`, in milliseconds.
template <class Work>
double timed(Work&& work) {
  const auto start = Clock::now();
  work();
  return msSince(start);
}

const char* verdict(bool met) { return met ? "met" : "NOT met"; }

struct Failed {
  const char* what;
};

/// The model's preview after `action`, waited for until it has settled: the milliseconds from the
/// action to the last preview.
double untilPreview(AppModel& model, Arrivals& arrivals, const std::function<void()>& action) {
  const int before = arrivals.previews;
  const auto start = Clock::now();
  action();
  if (!waitUntil([&] { return arrivals.previews > before && !model.rendering(); })) throw Failed{"no preview came"};
  return msBetween(start, arrivals.lastPreview);
}

void lookChange(int rounds) {
  AppModel model(false);
  Arrivals arrivals(model);
  model.loadSample(SampleModels::twistedVase());
  if (!waitUntil([&] { return arrivals.previews > 0 && !model.rendering(); })) throw Failed{"the vase has no preview"};
  const auto studio = model.studio();
  const auto size = ExportSize::pixels(model.video().aspect, AppModel::kPreviewShortSide);
  const int width = int(size.width), height = int(size.height);

  // Swatch clicks: the colour alternates, so every change is a real one and the studio updates.
  Look looks[2] = {model.look(), model.look()};
  looks[0].color = RGBA{0.80, 0.22, 0.18, 1.0};
  looks[1].color = RGBA{0.13, 0.33, 0.75, 1.0};
  std::vector<double> app, update, render, copy, rest;
  for (int i = 0; i < rounds + 1; ++i) {
    const Look& next = looks[i % 2];
    const Look shown = model.look();
    const double u = timed([&] { studio->update(next); });
    std::optional<Image> picture;
    const double r = timed([&] { picture = studio->render(width, height, 0); });
    if (!picture) throw Failed{"the vase renders no picture"};
    const double c = timed([&] { (void)toQImage(*picture); });
    studio->update(shown);  // the action starts from the look the window shows
    const double a = untilPreview(model, arrivals, [&] { model.setLook(next); });
    if (i == 0) continue;  // warm-up
    update.push_back(u);
    render.push_back(r);
    copy.push_back(c);
    app.push_back(a);
    rest.push_back(a - u - r - c);
  }
  const double appMs = median(app), renderMs = median(render), ratio = appMs / renderMs;
  std::printf("1. look change → new %d×%d preview of the vase on the main thread: %.1f ms (median of %d)\n", width,
              height, appMs, rounds);
  std::printf("   beside bare Studio::render %d×%d: %.1f ms → %.2f× (goal within 1.3×: %s)\n", width, height,
              renderMs, ratio, verdict(ratio <= 1.3));
  std::printf("   where the time goes: Studio::update %.1f ms, render %.1f ms, toQImage %.1f ms, hand-over and the "
              "rest %.1f ms\n",
              median(update), renderMs, median(copy), median(rest));
}

void toggleObject(int rounds) {
  AppModel model(false);
  Arrivals arrivals(model);
  const PrintModel planter = SampleModels::planterAndSaucer();
  model.loadSample(planter);
  if (!waitUntil([&] { return arrivals.previews > 0 && !model.rendering(); })) throw Failed{"the planter has no preview"};
  if (planter.objects.size() < 2) throw Failed{"the planter has one object"};
  const ModelObject& toggled = planter.objects.back();
  const auto size = ExportSize::pixels(model.video().aspect, AppModel::kPreviewShortSide);
  const int width = int(size.width), height = int(size.height);

  std::vector<double> app, toStudio, create, render;
  for (int i = 0; i < rounds + 1; ++i) {
    HiddenObjects hidden = model.hidden();
    if (hidden.erase(toggled.id) == 0) hidden.insert(toggled.id);
    std::shared_ptr<Studio> bare;
    const double c = timed([&] { bare = Studio::create(planter, model.look(), hidden); });
    const double r = timed([&] {
      if (!bare->render(width, height, 0)) throw Failed{"the planter renders no picture"};
    });
    bare.reset();
    const int studiosBefore = arrivals.studios;
    const auto start = Clock::now();
    model.toggleHidden(toggled.id);
    if (!waitUntil([&] {
          return arrivals.studios > studiosBefore && arrivals.lastPreview > arrivals.lastStudio && !model.rendering();
        }))
      throw Failed{"no rebuilt preview came"};
    if (i == 0) continue;
    app.push_back(msBetween(start, arrivals.lastPreview));
    toStudio.push_back(msBetween(start, arrivals.lastStudio));
    create.push_back(c);
    render.push_back(r);
  }
  const double appMs = median(app);
  std::printf("2. hide/show \"%s\" of the planter → rebuilt studio and new %d×%d preview: %.1f ms (median of %d; goal "
              "within 250 ms: %s)\n",
              toggled.name.c_str(), width, height, appMs, rounds, verdict(appMs <= 250));
  std::printf("   beside bare Studio::create %.1f ms + first Studio::render %d×%d %.1f ms = %.1f ms → %.2f×\n",
              median(create), width, height, median(render), median(create) + median(render),
              appMs / (median(create) + median(render)));
  std::printf("   where the time goes: action → new studio on the main thread %.1f ms (Studio::create %.1f), "
              "studio → preview %.1f ms (render %.1f)\n",
              median(toStudio), median(create), appMs - median(toStudio), median(render));
}

void playback(int rounds, int framesPerRound) {
  AppModel model(false);
  Arrivals arrivals(model);
  model.loadSample(SampleModels::twistedVase());
  if (!waitUntil([&] { return arrivals.previews > 0 && !model.rendering(); })) throw Failed{"the vase has no preview"};
  const auto studio = model.studio();
  const auto size = ExportSize::pixels(model.video().aspect, AppModel::kPlaybackShortSide);
  const int width = int(size.width), height = int(size.height);

  std::vector<double> bare, copy;
  for (int i = 0; i < rounds * 3; ++i) {
    std::optional<Image> picture;
    bare.push_back(timed([&] { picture = studio->render(width, height, float(i) * 0.1f); }));
    if (!picture) throw Failed{"the vase renders no picture"};
    copy.push_back(timed([&] { (void)toQImage(*picture); }));
  }

  model.play();
  const int warm = arrivals.previews + 3;
  if (!waitUntil([&] { return arrivals.previews >= warm; })) throw Failed{"playback shows no frames"};
  std::vector<double> fps;
  for (int i = 0; i < rounds; ++i) {
    const int first = arrivals.previews;
    const auto from = arrivals.lastPreview;
    if (!waitUntil([&] { return arrivals.previews >= first + framesPerRound; })) throw Failed{"playback stalled"};
    fps.push_back(1000.0 * (arrivals.previews - first) / msBetween(from, arrivals.lastPreview));
  }
  model.stopPlaying();
  const double appFps = median(fps), renderMs = median(bare), frameMs = 1000.0 / appFps;
  std::printf("3. playback of the vase at %d×%d: %.1f frames a second delivered (median of %d rounds of %d frames; goal "
              "20 or more: %s)\n",
              width, height, appFps, rounds, framesPerRound, verdict(appFps >= 20));
  std::printf("   beside bare Studio::render %d×%d: %.1f ms a frame, at most %.1f frames a second\n", width, height,
              renderMs, 1000.0 / renderMs);
  std::printf("   where the time goes: %.1f ms a delivered frame = render %.1f + toQImage %.1f + hand-over and the rest "
              "%.1f\n",
              frameMs, renderMs, median(copy), frameMs - renderMs - median(copy));
}

void openLargeSTL(int rounds) {
  bench::ScratchFolder folder;
  const auto path = folder.path / "million.stl";
  std::size_t triangles = 0;
  {
    PrintModel mesh;
    mesh.objects.push_back(bench::closedMesh(1'000'000));
    triangles = mesh.triangleCount();
    bench::writeBinarySTL(mesh.objects.front(), path);
  }
  const QUrl url = QUrl::fromLocalFile(QString::fromStdString(path.string()));
  const auto size = ExportSize::pixels(VideoSpec{}.aspect, AppModel::kPreviewShortSide);
  const int width = int(size.width), height = int(size.height);

  std::vector<double> app, toStudio, load, create, render;
  for (int i = 0; i < rounds + 1; ++i) {
    double l = 0, c = 0, r = 0;
    {
      std::optional<PrintModel> loaded;
      l = timed([&] { loaded = ModelLoader::load(path); });
      std::shared_ptr<Studio> studio;
      const Look look = defaultLook(*loaded);
      c = timed([&] { studio = Studio::create(std::move(*loaded), look); });
      r = timed([&] {
        if (!studio->render(width, height, 0)) throw Failed{"the mesh renders no picture"};
      });
    }
    // A fresh window each round: opening into an empty one, as the first open of a session does.
    AppModel model(false);
    Arrivals arrivals(model);
    const auto start = Clock::now();
    model.load(url);
    if (!waitUntil([&] {
          return !model.loading() && (model.error() || (arrivals.previews > 0 && !model.rendering()));
        }))
      throw Failed{"the STL never showed"};
    if (model.error()) throw Failed{"the STL did not open"};
    if (i == 0) continue;
    app.push_back(msBetween(start, arrivals.lastPreview));
    toStudio.push_back(msBetween(start, arrivals.lastStudio));
    load.push_back(l);
    create.push_back(c);
    render.push_back(r);
  }
  const double appMs = median(app), bare = median(load) + median(create) + median(render);
  std::printf("4. open a %zu-triangle binary STL (%.0f MB) → first %d×%d preview: %.0f ms (median of %d; goal within "
              "2 s: %s)\n",
              triangles, double(std::filesystem::file_size(path)) / 1e6, width, height, appMs, rounds,
              verdict(appMs <= 2000));
  std::printf("   beside bare ModelLoader::load %.0f ms + Studio::create %.0f ms + first Studio::render %.0f ms = %.0f "
              "ms → %.2f×\n",
              median(load), median(create), median(render), bare, appMs / bare);
  std::printf("   where the time goes: action → studio on the main thread %.0f ms (load + create %.0f), studio → "
              "preview %.0f ms (render %.0f)\n",
              median(toStudio), median(load) + median(create), appMs - median(toStudio), median(render));
}

}  // namespace

int main(int argc, char** argv) {
  // The goals are set for the software rasteriser and a window with no display of its own.
  setenv("VANTOREL_GL", "software", 0);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication application(argc, argv);
  try {
    {
      const auto probe = Studio::create(SampleModels::twistedVase(), Look{});
      std::printf("renderer: %s\n", probe->rendererName().c_str());
    }
    lookChange(9);
    toggleObject(7);
    playback(5, 10);
    openLargeSTL(3);
  } catch (const StudioError& e) {
    std::printf("no graphics: %s\n", e.detail().c_str());
    return 1;
  } catch (const Failed& failure) {
    std::printf("failed: %s\n", failure.what);
    return 1;
  }
  return 0;
}
