#include "ui/look_and_output_pane.h"

#include "model/app_model.h"
#include "ui/look_tab.h"
#include "ui/notes.h"
#include "ui/output_tab.h"
#include "ui/scene_tab.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace vantorel::ui {
namespace {

constexpr std::array kTabValues{"look", "scene", "output"};

QScrollArea* scrolling(QWidget* form, QWidget* parent) {
  auto* area = new QScrollArea(parent);
  area->setFrameShape(QFrame::NoFrame);
  area->setWidgetResizable(true);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area->setWidget(form);
  return area;
}

}  // namespace

SegmentedControl::SegmentedControl(const QString& accessibleName, QWidget* parent)
    : QWidget(parent), row_(new QHBoxLayout(this)), group_(new QButtonGroup(this)) {
  setAccessibleName(accessibleName);
  row_->setContentsMargins(0, 0, 0, 0);
  row_->setSpacing(0);
  group_->setExclusive(true);
  connect(group_, &QButtonGroup::idClicked, this, [this](int id) { emit activated(values_.value(id)); });
}

void SegmentedControl::addSegment(const QString& text, const QVariant& value, const QString& objectName) {
  auto* button = new QToolButton(this);
  button->setObjectName(objectName);
  button->setText(text);
  button->setCheckable(true);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  button->setFocusPolicy(Qt::StrongFocus);
  group_->addButton(button, int(values_.size()));
  values_.append(value);
  row_->addWidget(button);
}

void SegmentedControl::setValue(const QVariant& value) {
  const auto index = values_.indexOf(value);
  if (index >= 0) {
    group_->button(int(index))->setChecked(true);
    return;
  }
  // An exclusive group refuses to uncheck its last checked button.
  group_->setExclusive(false);
  for (QAbstractButton* button : group_->buttons()) button->setChecked(false);
  group_->setExclusive(true);
}

QVariant SegmentedControl::value() const { return values_.value(group_->checkedId()); }

QFormLayout* addSection(QBoxLayout* column, const QString& title) {
  if (column->count() > 0) column->addSpacing(14);
  column->addWidget(makeSectionTitle(title));
  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  form->setRowWrapPolicy(QFormLayout::DontWrapRows);
  form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  form->setHorizontalSpacing(10);
  form->setVerticalSpacing(8);
  column->addLayout(form);
  return form;
}

void alignFormLabels(QWidget* tab) {
  QList<QWidget*> labels;
  int width = 0;
  for (QFormLayout* form : tab->findChildren<QFormLayout*>()) {
    for (int row = 0; row < form->rowCount(); ++row) {
      if (QLayoutItem* item = form->itemAt(row, QFormLayout::LabelRole); item && item->widget()) {
        labels.append(item->widget());
        width = std::max(width, item->widget()->sizeHint().width());
      }
    }
  }
  for (QWidget* label : labels) label->setMinimumWidth(width);
}

QComboBox* makePicker(const QString& objectName, const QString& accessibleName, QWidget* parent) {
  auto* picker = new QComboBox(parent);
  picker->setObjectName(objectName);
  picker->setAccessibleName(accessibleName);
  picker->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  picker->setMinimumContentsLength(8);
  picker->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return picker;
}

Inspector::Inspector(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), tabs_(new SegmentedControl(tr("Panel"), this)), pages_(new QStackedWidget(this)) {
  setObjectName(QStringLiteral("inspector"));
  setFixedWidth(kWidth);
  tabs_->setObjectName(QStringLiteral("inspectorTabs"));
  tabs_->addSegment(tr("Look"), QString(kTabValues[0]), QStringLiteral("lookTabButton"));
  tabs_->addSegment(tr("Scene"), QString(kTabValues[1]), QStringLiteral("sceneTabButton"));
  tabs_->addSegment(tr("Output"), QString(kTabValues[2]), QStringLiteral("outputTabButton"));
  connect(tabs_, &SegmentedControl::activated, this,
          [this](const QVariant& tab) { model_.setInspectorTab(tab.toString()); });

  pages_->addWidget(scrolling(new LookTab(model, this), pages_));
  pages_->addWidget(scrolling(new SceneTab(model, this), pages_));
  pages_->addWidget(scrolling(new OutputTab(model, this), pages_));

  auto* divider = new QFrame(this);
  divider->setFrameShape(QFrame::HLine);
  divider->setFrameShadow(QFrame::Sunken);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 10, 0, 0);
  column->setSpacing(0);
  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(12, 0, 12, 10);
  bar->addWidget(tabs_);
  column->addLayout(bar);
  column->addWidget(divider);
  column->addWidget(pages_, 1);

  connect(&model_, &AppModel::inspectorTabChanged, this, &Inspector::showTab);
  showTab();
}

void Inspector::showTab() {
  int index = 0;
  for (std::size_t i = 0; i < kTabValues.size(); ++i) {
    if (model_.inspectorTab() == QLatin1String(kTabValues[i])) index = int(i);
  }
  tabs_->setValue(QString(kTabValues[std::size_t(index)]));
  pages_->setCurrentIndex(index);
}

}  // namespace vantorel::ui
