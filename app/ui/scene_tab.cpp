#include "ui/scene_tab.h"

#include "model/app_model.h"
#include "ui/look_and_output_pane.h"
#include "ui/notes.h"
#include "ui/swatch_grid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vantorel::ui {

SceneTab::SceneTab(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName(QStringLiteral("sceneTab"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(12, 12, 12, 12);
  column->setSpacing(8);

  background_ = addSection(column, tr("Background"));
  style_ = choicePicker<BackgroundStyle>(QStringLiteral("backgroundPicker"), tr("Background"), this);
  background_->addRow(tr("Background"), style_);
  color_ = new ColorButton(tr("Background Color"), this);
  color_->setObjectName(QStringLiteral("backgroundColorButton"));
  color_->setAccessibleName(tr("Color"));
  background_->addRow(tr("Color"), color_);
  swatches_ = new SwatchGrid({{tr("Light gray"), {0.94, 0.94, 0.95, 1.0}},
                              {tr("White"), {1.0, 1.0, 1.0, 1.0}},
                              {tr("Warm"), {0.95, 0.92, 0.87, 1.0}},
                              {tr("Slate"), {0.32, 0.35, 0.4, 1.0}},
                              {tr("Black"), {0.08, 0.08, 0.09, 1.0}}},
                             this);
  swatches_->setObjectName(QStringLiteral("backgroundSwatches"));
  background_->addRow(swatches_);
  transparentNote_ = makeNote(
      tr("Transparent applies to PNG shots. Videos and GIFs can't be transparent, so they get a white background."),
      this);
  transparentNote_->setObjectName(QStringLiteral("transparentNote"));
  background_->addRow(transparentNote_);

  auto* light = addSection(column, tr("Light"));
  lighting_ = choicePicker<LightingPreset>(QStringLiteral("lightingPicker"), tr("Lighting"), this);
  light->addRow(tr("Lighting"), lighting_);
  shadow_ = new QCheckBox(tr("Soft shadow"), this);
  shadow_->setObjectName(QStringLiteral("shadowSwitch"));
  light->addRow(shadow_);

  auto* scale = addSection(column, tr("Scale reference"));
  scaleReference_ = choicePicker<ScaleReference>(QStringLiteral("scaleReferencePicker"), tr("Show"), this);
  scale->addRow(tr("Show"), scaleReference_);
  scale->addRow(makeNote(tr("A plain ruler in millimeters or a 24 mm disc next to the model, so buyers can judge its "
                            "size. No brands or real coins."),
                         this));
  column->addStretch(1);
  alignFormLabels(this);

  const auto edit = [this](auto change) {
    Look look = model_.look();
    change(look);
    model_.setLook(look);
  };
  connect(style_, &QComboBox::activated, this, [edit](int index) {
    edit([&](Look& look) { look.background = all<BackgroundStyle>()[std::size_t(index)]; });
  });
  const auto setColor = [edit](const RGBA& color) { edit([&](Look& look) { look.backgroundColor = color; }); };
  connect(color_, &ColorButton::picked, this, setColor);
  connect(swatches_, &SwatchGrid::picked, this, setColor);
  connect(lighting_, &QComboBox::activated, this,
          [edit](int index) { edit([&](Look& look) { look.lighting = all<LightingPreset>()[std::size_t(index)]; }); });
  connect(shadow_, &QCheckBox::toggled, this, [edit](bool on) { edit([&](Look& look) { look.shadow = on; }); });
  connect(scaleReference_, &QComboBox::activated, this, [edit](int index) {
    edit([&](Look& look) { look.scaleReference = all<ScaleReference>()[std::size_t(index)]; });
  });

  connect(&model_, &AppModel::lookChanged, this, &SceneTab::refresh);
  refresh();
}

void SceneTab::refresh() {
  const Look& look = model_.look();
  {
    const QSignalBlocker blockStyle(style_), blockLighting(lighting_), blockShadow(shadow_),
        blockScale(scaleReference_);
    style_->setCurrentIndex(int(look.background));
    lighting_->setCurrentIndex(int(look.lighting));
    shadow_->setChecked(look.shadow);
    scaleReference_->setCurrentIndex(int(look.scaleReference));
  }
  color_->setColor(look.backgroundColor);
  swatches_->setCurrent(look.backgroundColor);
  // The colour stays in the look while hidden, so leaving transparent brings it back.
  const bool transparent = look.background == BackgroundStyle::transparent;
  background_->setRowVisible(color_, !transparent);
  background_->setRowVisible(swatches_, !transparent);
  background_->setRowVisible(transparentNote_, transparent);
}

}  // namespace vantorel::ui
