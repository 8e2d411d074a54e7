#include "model/app_model.h"
#include "ui/look_and_output_pane.h"
#include "ui/swatch_grid.h"

#include "input/sample_models.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace vantorel;

namespace {

template <typename T = QWidget>
T* child(const QWidget& root, const char* name) {
  T* found = root.findChild<T*>(QString::fromLatin1(name));
  if (!found) qFatal("no child named %s", name);
  return found;
}

/// What a user's choice in the list does: the picker moves, then reports it.
void choose(QComboBox* picker, int index) {
  picker->setCurrentIndex(index);
  emit picker->activated(index);
}

QStringList itemTexts(const QComboBox* picker) {
  QStringList texts;
  for (int i = 0; i < picker->count(); ++i) texts << picker->itemText(i);
  return texts;
}

}  // namespace

class InspectorTest : public QObject {
  Q_OBJECT
 private slots:
  void followsTheOpenModel();
  void lookAndSceneEditOneField();
  void outputTitlesFollowTheShapes();
};

void InspectorTest::followsTheOpenModel() {
  AppModel model(false);
  ui::Inspector inspector(model);
  const char* exports[] = {"exportVideoButton", "exportGifButton", "exportStillsButton", "exportEverythingButton"};
  for (const char* name : exports) QVERIFY(!child(inspector, name)->isEnabled());
  QVERIFY(child(inspector, "batchFolderButton")->isEnabled());
  auto* fileColors = child(inspector, "useFileColorsSwitch");
  QVERIFY(fileColors->isHidden());

  model.loadSample(*SampleModels::byId("vase"));
  QTRY_VERIFY_WITH_TIMEOUT(model.studio() != nullptr, 20000);
  for (const char* name : exports) QVERIFY(child(inspector, name)->isEnabled());
  QVERIFY(fileColors->isHidden());

  model.loadSample(*SampleModels::byId("planter"));
  QTRY_VERIFY_WITH_TIMEOUT(model.model() && model.model()->hasColors(), 20000);
  QVERIFY(!fileColors->isHidden());

  child<QAbstractButton>(inspector, "outputTabButton")->click();
  QCOMPARE(model.inspectorTab(), QString("output"));
  model.setInspectorTab("elsewhere");
  QVERIFY(child<QAbstractButton>(inspector, "lookTabButton")->isChecked());
}

void InspectorTest::lookAndSceneEditOneField() {
  AppModel model(false);
  ui::Inspector inspector(model);

  // Layer lines: the height picker shows only with the lines, and hiding it keeps the height.
  auto* lines = child<QCheckBox>(inspector, "layerLinesSwitch");
  auto* height = child<QComboBox>(inspector, "layerHeightPicker");
  QVERIFY(height->isHidden());
  lines->click();
  QVERIFY(model.look().layerLines && !height->isHidden());
  choose(height, 2);
  lines->click();
  QVERIFY(!model.look().layerLines && height->isHidden());
  QCOMPARE(model.look().layerHeight, 0.28);

  // A swatch changes the colour and nothing else, in one assignment.
  QSignalSpy looks(&model, &AppModel::lookChanged);
  Look expected = model.look();
  expected.color = {0.78, 0.12, 0.13, 1.0};
  child<QAbstractButton>(*child(inspector, "filamentSwatches"), "swatch4")->click();
  QCOMPARE(looks.count(), 1);
  QVERIFY(model.look() == expected);
  QCOMPARE(child<ui::ColorButton>(inspector, "colorButton")->color(), expected.color);

  // Transparent hides the colour controls behind the note; leaving it brings back the earlier colour.
  child<QAbstractButton>(*child(inspector, "backgroundSwatches"), "swatch3")->click();
  const RGBA slate = model.look().backgroundColor;
  auto* background = child<QComboBox>(inspector, "backgroundPicker");
  auto* backgroundColor = child(inspector, "backgroundColorButton");
  choose(background, int(BackgroundStyle::transparent));
  QVERIFY(backgroundColor->isHidden() && !child(inspector, "transparentNote")->isHidden());
  choose(background, int(BackgroundStyle::solid));
  QVERIFY(!backgroundColor->isHidden() && child(inspector, "transparentNote")->isHidden());
  QCOMPARE(model.look().backgroundColor, slate);

  // Saving a look: not for a blank name; the field empties after a save; the row's trash deletes it.
  auto* name = child<QLineEdit>(inspector, "lookNameField");
  auto* save = child<QPushButton>(inspector, "saveLookButton");
  QTest::keyClicks(name, " \t ");
  QVERIFY(!save->isEnabled());
  QTest::keyClicks(name, "Desk");
  save->click();
  QVERIFY(name->text().isEmpty() && !save->isEnabled());
  QCOMPARE(model.savedLooks().size(), std::size_t(1));
  QCOMPARE(model.savedLooks().front().name, std::string("Desk"));
  auto* remove = child<QAbstractButton>(inspector, "deleteLookButton");
  QCOMPARE(remove->accessibleName(), QString("Delete the look Desk"));
  remove->click();
  QVERIFY(model.savedLooks().empty());
}

void InspectorTest::outputTitlesFollowTheShapes() {
  AppModel model(false);
  ui::Inspector inspector(model);
  auto* gifSize = child<QComboBox>(inspector, "gifSizePicker");
  auto* videoSize = child<QComboBox>(inspector, "videoSizePicker");
  QCOMPARE(itemTexts(gifSize), QStringList({"480 × 480", "600 × 600", "800 × 800"}));
  QCOMPARE(gifSize->currentText(), QString("600 × 600"));

  choose(child<QComboBox>(inspector, "videoShapePicker"), int(Aspect::landscape43));
  QCOMPARE(model.gif().aspect, Aspect::landscape43);
  QCOMPARE(itemTexts(gifSize), QStringList({"640 × 480", "800 × 600", "1066 × 800"}));
  QCOMPARE(gifSize->currentText(), QString("800 × 600"));
  QCOMPARE(videoSize->itemText(4), QString("2880 × 2160 (4K)"));
  QCOMPARE(videoSize->currentText(), QString("1440 × 1080"));
  // The product shots keep their own shape.
  QCOMPARE(child<QComboBox>(inspector, "stillsSizePicker")->currentText(), QString("1080 × 1080"));

  const QList<QAction*> presets = child<QMenu>(inspector, "presetMenu")->actions();
  QCOMPARE(presets.size(), qsizetype(OutputPreset::all().size()));
  presets[4]->trigger();
  QCOMPARE(child<QComboBox>(inspector, "stillsSizePicker")->currentText(), QString("1080 × 1350"));

  child<QAbstractButton>(inspector, "videoLength15")->click();
  QCOMPARE(model.video().seconds, std::int64_t(15));
  QCOMPARE(model.gif().seconds, std::int64_t(15));
}

QTEST_MAIN(InspectorTest)
#include "look_and_output_pane_test.moc"
