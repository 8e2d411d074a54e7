#include "ui/look_tab.h"

#include "model/app_model.h"
#include "model/saved_look.h"
#include "staging/filament_color.h"
#include "ui/icons.h"
#include "ui/look_and_output_pane.h"
#include "ui/notes.h"
#include "ui/swatch_grid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantorel::ui {
namespace {

std::vector<Swatch> filamentSwatches() {
  std::vector<Swatch> swatches;
  for (const FilamentColor& filament : FilamentColor::builtIn())
    swatches.push_back({QString::fromStdString(filament.displayName()), filament.color});
  return swatches;
}

}  // namespace

LookTab::LookTab(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName(QStringLiteral("lookTab"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(12, 12, 12, 12);
  column->setSpacing(8);

  filament_ = addSection(column, tr("Filament"));
  finish_ = choicePicker<Finish>(QStringLiteral("finishPicker"), tr("Finish"), this);
  filament_->addRow(tr("Finish"), finish_);
  fileColors_ = new QCheckBox(tr("Use colors from the file"), this);
  fileColors_->setObjectName(QStringLiteral("useFileColorsSwitch"));
  filament_->addRow(fileColors_);
  color_ = new ColorButton(tr("Filament Color"), this);
  color_->setObjectName(QStringLiteral("colorButton"));
  color_->setAccessibleName(tr("Color"));
  filament_->addRow(tr("Color"), color_);
  swatches_ = new SwatchGrid(filamentSwatches(), this);
  swatches_->setObjectName(QStringLiteral("filamentSwatches"));
  filament_->addRow(swatches_);

  layers_ = addSection(column, tr("Layer lines"));
  layerLines_ = new QCheckBox(tr("Show layer lines"), this);
  layerLines_->setObjectName(QStringLiteral("layerLinesSwitch"));
  layers_->addRow(layerLines_);
  layerHeight_ = makePicker(QStringLiteral("layerHeightPicker"), tr("Layer height"), this);
  const QString heightTitles[] = {tr("0.12 mm (fine)"), tr("0.2 mm (standard)"), tr("0.28 mm (draft)")};
  for (std::size_t i = 0; i < offeredLayerHeights.size(); ++i)
    layerHeight_->addItem(heightTitles[i], offeredLayerHeights[i]);
  layers_->addRow(tr("Layer height"), layerHeight_);
  layers_->addRow(
      makeNote(tr("Lines follow the print height (the file's Z axis). They show best at large sizes."), this));

  savedForm_ = addSection(column, tr("Saved looks"));
  savedList_ = new QWidget(this);
  savedList_->setObjectName(QStringLiteral("savedLooks"));
  auto* rows = new QVBoxLayout(savedList_);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(2);
  savedForm_->addRow(savedList_);
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("lookNameField"));
  name_->setPlaceholderText(tr("Name this look"));
  name_->setAccessibleName(tr("Name"));
  save_ = new QPushButton(tr("Save"), this);
  save_->setObjectName(QStringLiteral("saveLookButton"));
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(name_, 1);
  nameRow->addWidget(save_);
  savedForm_->addRow(tr("Name"), nameRow);
  column->addStretch(1);
  alignFormLabels(this);

  connect(finish_, &QComboBox::activated, this,
          [this](int index) { edit([&](Look& look) { look.finish = all<Finish>()[std::size_t(index)]; }); });
  connect(fileColors_, &QCheckBox::toggled, this,
          [this](bool on) { edit([&](Look& look) { look.useFileColors = on; }); });
  connect(color_, &ColorButton::picked, this,
          [this](const RGBA& color) { edit([&](Look& look) { look.color = color; }); });
  connect(swatches_, &SwatchGrid::picked, this,
          [this](const RGBA& color) { edit([&](Look& look) { look.color = color; }); });
  connect(layerLines_, &QCheckBox::toggled, this, [this](bool on) { edit([&](Look& look) { look.layerLines = on; }); });
  connect(layerHeight_, &QComboBox::activated, this,
          [this](int index) { edit([&](Look& look) { look.layerHeight = offeredLayerHeights[std::size_t(index)]; }); });
  connect(name_, &QLineEdit::textChanged, this,
          [this](const QString& text) { save_->setEnabled(!trimmedName(text.toStdString()).empty()); });
  connect(name_, &QLineEdit::returnPressed, this, &LookTab::saveLook);
  connect(save_, &QPushButton::clicked, this, &LookTab::saveLook);

  connect(&model_, &AppModel::lookChanged, this, &LookTab::refreshLook);
  connect(&model_, &AppModel::modelChanged, this, &LookTab::refreshFileColors);
  connect(&model_, &AppModel::savedLooksChanged, this, &LookTab::rebuildSavedLooks);
  save_->setEnabled(false);
  refreshLook();
  rebuildSavedLooks();
}

template <typename Change>
void LookTab::edit(Change change) {
  Look look = model_.look();
  change(look);
  model_.setLook(look);
}

void LookTab::refreshLook() {
  const Look& look = model_.look();
  {
    const QSignalBlocker blockFinish(finish_), blockFileColors(fileColors_), blockLines(layerLines_),
        blockHeight(layerHeight_);
    finish_->setCurrentIndex(int(look.finish));
    fileColors_->setChecked(look.useFileColors);
    layerLines_->setChecked(look.layerLines);
    // A stored height that is none of the offered ones stays as it is, with nothing selected.
    layerHeight_->setCurrentIndex(layerHeight_->findData(look.layerHeight));
  }
  color_->setColor(look.color);
  swatches_->setCurrent(look.color);
  layers_->setRowVisible(layerHeight_, look.layerLines);
  refreshFileColors();
}

void LookTab::refreshFileColors() {
  const auto& printModel = model_.model();
  filament_->setRowVisible(fileColors_, printModel && printModel->hasColors());
}

void LookTab::rebuildSavedLooks() {
  // A row's own delete button may be the one being pressed: it goes once its click is handled.
  for (QWidget* row : savedList_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    row->hide();
    row->deleteLater();
  }
  for (const SavedLook& saved : model_.savedLooks()) {
    const QString name = QString::fromStdString(saved.name);
    auto* row = new QWidget(savedList_);
    auto* apply = new QPushButton(row);
    apply->setObjectName(QStringLiteral("applyLookButton"));
    apply->setFlat(true);
    apply->setCursor(Qt::PointingHandCursor);
    apply->setStyleSheet(
        QStringLiteral("QPushButton { color: palette(link); text-align: left; border: none; padding: 3px 0; }"));
    apply->setText(apply->fontMetrics().elidedText(name, Qt::ElideRight, 230));
    apply->setAccessibleName(name);
    apply->setToolTip(name);
    apply->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(apply, &QPushButton::clicked, this, [this, saved] { model_.applySavedLook(saved); });
    auto* remove = new QToolButton(row);
    remove->setObjectName(QStringLiteral("deleteLookButton"));
    remove->setIcon(icon(Icon::trash));
    remove->setAutoRaise(true);
    remove->setAccessibleName(tr("Delete the look ") + name);
    remove->setToolTip(remove->accessibleName());
    const QUuid id = saved.id;
    connect(remove, &QToolButton::clicked, this, [this, id] { model_.deleteLook(id); });
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(apply, 1);
    line->addWidget(remove);
    savedList_->layout()->addWidget(row);
  }
  savedForm_->setRowVisible(savedList_, !model_.savedLooks().empty());
}

void LookTab::saveLook() {
  if (!save_->isEnabled()) return;
  model_.saveLook(name_->text());
  name_->clear();
}

}  // namespace vantorel::ui
