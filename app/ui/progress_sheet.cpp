#include "ui/progress_sheet.h"

#include "model/app_model.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vantorel::ui {
int ProgressSheet::percent(const std::optional<double>& progress) {
  return progress ? int(std::trunc(*progress * 100)) : 0;
}

ProgressSheet::ProgressSheet(AppModel& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), model_(model) {
  setObjectName(QStringLiteral("progressSheet"));
  setWindowModality(Qt::WindowModal);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(22, 22, 22, 22);
  column->setSpacing(12);
  column->setSizeConstraint(QLayout::SetFixedSize);

  title_ = new QLabel(this);
  title_->setObjectName(QStringLiteral("progressTitle"));
  title_->setTextFormat(Qt::PlainText);
  QFont headline = title_->font();
  headline.setBold(true);
  headline.setPointSizeF(headline.pointSizeF() * 1.25);
  title_->setFont(headline);
  // The column keeps its width whatever the title says.
  title_->setFixedWidth(470);
  title_->setWordWrap(true);
  column->addWidget(title_);

  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("progressBar"));
  // Whole percents, so the bar's accessible value is the same number the label shows.
  bar_->setRange(0, 100);
  bar_->setTextVisible(false);
  bar_->setAccessibleName(tr("Progress"));
  column->addWidget(bar_);

  auto* row = new QHBoxLayout;
  percent_ = new QLabel(this);
  percent_->setObjectName(QStringLiteral("progressPercent"));
  percent_->setForegroundRole(QPalette::PlaceholderText);
  QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  digits.setPointSizeF(percent_->font().pointSizeF());
  percent_->setFont(digits);
  row->addWidget(percent_);
  row->addStretch();
  stop_ = new QPushButton(tr("Stop"), this);
  stop_->setObjectName(QStringLiteral("progressStopButton"));
  // Return must not stop an export by accident; Escape is the sheet's own key for Stop.
  stop_->setAutoDefault(false);
  stop_->setToolTip(tr("Stop (Esc)"));
  connect(stop_, &QPushButton::clicked, &model_, &AppModel::cancelExport);
  row->addWidget(stop_);
  column->addLayout(row);

  connect(&model_, &AppModel::progressChanged, this, &ProgressSheet::refresh);
  connect(&model_, &AppModel::progressTitleChanged, this, &ProgressSheet::refresh);
  connect(&model_, &AppModel::progressChanged, this, &ProgressSheet::updateShown);
  connect(&model_, &AppModel::batchShownChanged, this, &ProgressSheet::updateShown);
  refresh();
  updateShown();
}

void ProgressSheet::refresh() {
  const auto progress = model_.progress();
  const int p = percent(progress);
  title_->setText(model_.progressTitle());
  setWindowTitle(model_.progressTitle());
  bar_->setValue(std::clamp(p, 0, 100));
  bar_->setAccessibleDescription(tr("%1 percent").arg(p));
  percent_->setText(QStringLiteral("%1%").arg(p));
}

void ProgressSheet::updateShown() {
  const bool shown = model_.progress().has_value() && !model_.batchShown();
  if (shown && !isVisible())
    show();
  else if (!shown && isVisible())
    hide();
}

void ProgressSheet::reject() { model_.cancelExport(); }

void ProgressSheet::closeEvent(QCloseEvent* event) {
  // The window manager's close is one more way to press Stop; the sheet goes when the export ends.
  if (!model_.progress()) return event->accept();
  event->ignore();
  model_.cancelExport();
}

}  // namespace vantorel::ui
