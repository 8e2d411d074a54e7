#include "model/app_model.h"

#include "input/sample_models.h"
#include "model/settings_store.h"
#include "scratch_folder.h"

#include <QSignalSpy>
#include <QTest>

#include <tuple>

using namespace vantorel;

namespace {

const char* const kTriangleSTL =
    "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 10 0 0\nvertex 0 10 5\nendloop\nendfacet\n"
    "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 0 10 5\nvertex 10 10 0\nendloop\nendfacet\nendsolid t\n";

QUrl urlOf(const std::filesystem::path& path) { return QUrl::fromLocalFile(QString::fromStdString(path.string())); }

QString settingsIn(const test::ScratchFolder& folder) {
  return QString::fromStdString((folder / "settings.conf").string());
}

void waitIdle(const AppModel& app) {
  QTRY_VERIFY_WITH_TIMEOUT(!app.loading() && !app.rendering(), 60000);
}

}  // namespace

class AppModelTest : public QObject {
  Q_OBJECT
 private slots:
  void previewCoalescesAndTurns();
  void opensFiles();
  void hidesAndScales();
  void presetsAndSavedLooks();
  void restoresInOrder();
};

void AppModelTest::previewCoalescesAndTurns() {
  test::ScratchFolder folder;
  AppModel app(true, settingsIn(folder));
  app.loadSample(*SampleModels::byId("vase"));
  waitIdle(app);
  QVERIFY(!app.preview().isNull());
  QCOMPARE(app.preview().size(), QSize(720, 720));
  app.setPreviewPixelRatio(2);  // a dense screen: twice the pixels for the same window size
  waitIdle(app);
  QCOMPARE(app.preview().size(), QSize(1440, 1440));
  app.setPreviewPixelRatio(1);
  waitIdle(app);

  QSignalSpy frames(&app, &AppModel::previewChanged);
  for (int i = 0; i < 10; ++i) app.turn(3);  // each frame at its own angle, so each is a change
  QVERIFY(app.rendering() && app.renderAgain());
  waitIdle(app);
  QCOMPARE(frames.count(), 2);
  QCOMPARE(app.previewTurn(), 30.0f);

  app.backToStart();
  app.turn(-15);
  QCOMPARE(app.previewTurn(), -15.0f);
  app.backToStart();
  app.turn(350);
  app.turn(15);
  QCOMPARE(app.previewTurn(), 5.0f);
  waitIdle(app);

  // Playback turns with the wall clock: once per video length, once a second below two seconds.
  VideoSpec video;
  for (const auto& [seconds, clockwise, degrees] :
       {std::tuple{std::int64_t(0), false, 180.0}, {1, false, 180.0}, {10, false, 18.0}, {10, true, -18.0}}) {
    video.seconds = seconds;
    video.clockwise = clockwise;
    QCOMPARE(AppModel::playbackStep(0.5, video), degrees);
  }
  QSignalSpy turns(&app, &AppModel::previewTurnChanged);
  app.play();
  QTRY_VERIFY(frames.count() >= 4 && turns.count() >= 3);
  app.stopPlaying();
  QVERIFY(!app.playing() && app.previewTurn() != 5.0f);
  waitIdle(app);
}

void AppModelTest::opensFiles() {
  test::ScratchFolder folder;
  AppModel app(false, settingsIn(folder));
  const auto a = urlOf(folder.write("A part.stl", kTriangleSTL));
  const auto b = urlOf(folder.write("b.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
  const auto text = urlOf(folder.write("notes.txt", "hello"));
  const auto models = urlOf(folder.write("models/c.stl", kTriangleSTL).parent_path());

  app.open({text});
  QCOMPARE(app.error().value_or(""), QString("Vantorel opens STL, 3MF and OBJ files."));
  QVERIFY(!app.loading() && !app.model());

  app.open({a, models, b});
  QVERIFY(app.batchShown() && app.batchFolder() == models && !app.loading());
  QTRY_VERIFY(!app.batchListing());
  QCOMPARE(app.batchFiles().size(), 1);

  app.open({text, a, b, a});
  QCOMPARE(app.notice().value_or(""), QString("Opened A part.stl. To do many models at once, drop their folder (File › Batch Folder)."));
  QVERIFY(app.loading() && !app.error());
  waitIdle(app);
  QCOMPARE(app.sourceName(), QString("A part.stl"));
  QCOMPARE(app.baseName(), QString("A part"));

  // A file that can't be read leaves the open model as it was.
  app.load(urlOf(folder.write("broken.stl", "solid x\nfacet oops")));
  waitIdle(app);
  QVERIFY(app.error() && app.error()->startsWith("broken.stl: "));
  QCOMPARE(app.sourceName(), QString("A part.stl"));
  QVERIFY(app.model() && app.studio());
}

void AppModelTest::hidesAndScales() {
  test::ScratchFolder folder;
  AppModel app(false, settingsIn(folder));
  app.toggleHidden(0);
  QVERIFY(app.hidden().empty());
  const PrintModel planter = *SampleModels::byId("planter");
  QCOMPARE(planter.objects.size(), std::size_t(2));
  app.loadSample(planter);
  QVERIFY(app.look().useFileColors);
  app.toggleHidden(planter.objects[0].id);
  app.toggleHidden(planter.objects[1].id);  // the last visible one stays
  QCOMPARE(app.hidden(), HiddenObjects{planter.objects[0].id});
  app.toggleHidden(planter.objects[0].id);
  QVERIFY(app.hidden().empty());

  app.scaleModel(25.4f);
  QCOMPARE(app.notice().value_or(""), QString("Scaled 25.4×. The size line now shows the new size."));
  app.scaleModel(0.5f);
  QCOMPARE(app.notice().value_or(""), QString("Scaled 0.5×. The size line now shows the new size."));
  QTRY_VERIFY_WITH_TIMEOUT(app.studio()->model() == *app.model(), 60000);  // the last rebuild wins
  waitIdle(app);
}

void AppModelTest::presetsAndSavedLooks() {
  test::ScratchFolder folder;
  AppModel app(true, settingsIn(folder));
  QSignalSpy previews(&app, &AppModel::previewChanged);

  const OutputPreset& preset = *OutputPreset::byId("social-video");
  app.applyPreset(preset);
  QCOMPARE(app.video(), *preset.video);
  QCOMPARE(app.gif().seconds, preset.video->seconds);
  QCOMPARE(app.gif().aspect, preset.video->aspect);
  QCOMPARE(app.notice().value_or(""), QString::fromStdString(preset.title + ": " + preset.detail));

  Look look = app.look();
  look.orientation = Orientation::standUp;
  app.setLook(look);
  app.saveLook("  Shiny ");
  app.saveLook("shiny");
  const QUuid first = app.savedLooks()[0].id;
  QCOMPARE(app.savedLooks()[0].name, std::string("Shiny"));
  look.finish = Finish::gloss;
  look.orientation = Orientation::onSide;
  app.setLook(look);
  app.saveLook("Shiny");
  app.saveLook(" \t");
  QCOMPARE(app.savedLooks().size(), std::size_t(2));
  QCOMPARE(app.savedLooks()[0].name, std::string("shiny"));
  QCOMPARE(app.savedLooks()[1].name, std::string("Shiny"));
  QVERIFY(app.savedLooks()[1].id != first);

  // The look on screen keeps its orientation; file colours only where the model has them.
  SavedLook saved = app.savedLooks()[1];
  saved.look.useFileColors = true;
  look.orientation = Orientation::standUp;
  app.setLook(look);
  app.applySavedLook(saved);
  QCOMPARE(app.look().orientation, Orientation::standUp);
  QCOMPARE(app.look().finish, Finish::gloss);
  QVERIFY(!app.look().useFileColors);
  app.loadSample(*SampleModels::byId("vase"));
  app.applySavedLook(saved);
  QVERIFY(!app.look().useFileColors);
  app.loadSample(*SampleModels::byId("planter"));
  app.applySavedLook(saved);
  QVERIFY(app.look().useFileColors);

  app.deleteLook(app.savedLooks()[0].id);
  QCOMPARE(app.savedLooks().size(), std::size_t(1));
  QCOMPARE(SettingsStore(settingsIn(folder)).read("savedLooks").value_or(""), encodeSavedLooks(app.savedLooks()));
  waitIdle(app);
}

void AppModelTest::restoresInOrder() {
  test::ScratchFolder folder;
  const QString file = settingsIn(folder);
  {
    SettingsStore store(file);
    VideoSpec video;
    video.seconds = 12;
    video.aspect = Aspect::portrait45;
    GIFSpec gif;
    gif.seconds = 6;
    Look look;
    look.finish = Finish::gloss;
    store.write("look", encode(look).dump());
    store.write("video", encode(video).dump());
    store.write("gif", encode(gif).dump());
    store.write("stills", "{\"aspect\":");
    store.write("savedLooks", encodeSavedLooks({SavedLook::make("a", look), SavedLook::make("b", Look{})}));
    store.sync();
  }
  const auto before = std::filesystem::last_write_time((folder / "settings.conf"));
  {
    AppModel app(true, file);
    QVERIFY(app.video().seconds == 12 && app.gif().seconds == 6);
    QCOMPARE(app.gif().aspect, Aspect::square);
    QCOMPARE(app.look().finish, Finish::gloss);
    QCOMPARE(app.stills(), StillSpec{});
    QCOMPARE(app.savedLooks().size(), std::size_t(2));
    QCOMPARE(SettingsStore(file).read("stills").value_or(""), std::string("{\"aspect\":"));  // restoring writes nothing

    AppModel off(false, file);
    QCOMPARE(off.video(), VideoSpec{});
    VideoSpec video;
    video.seconds = 5;
    off.setVideo(video);
    off.saveLook("x");
    off.save();
  }
  QCOMPARE(std::filesystem::last_write_time((folder / "settings.conf")), before);
  QCOMPARE(SettingsStore(file).read("stills").value_or(""), std::string("{\"aspect\":"));
}

QTEST_GUILESS_MAIN(AppModelTest)
#include "app_model_test.moc"
