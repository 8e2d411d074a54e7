#include "ui/message_bar.h"

#include "model/app_model.h"
#include "ui/icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

namespace vantorel::ui {

MessageBar::MessageBar(AppModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      icon_(new QLabel(this)),
      text_(new QLabel(this)),
      reveal_(new QPushButton(tr("Show in Folder"), this)),
      dismiss_(new QToolButton(this)) {
  setObjectName("messageBar");
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(14, 8, 14, 8);
  row->setSpacing(8);

  icon_->setObjectName("messageIcon");
  icon_->setAccessibleName({});
  icon_->setFixedSize(16, 16);
  text_->setObjectName("messageText");
  text_->setWordWrap(true);
  text_->setTextFormat(Qt::PlainText);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  reveal_->setObjectName("showInFolderButton");
  reveal_->setFlat(true);
  dismiss_->setObjectName("dismissMessageButton");
  dismiss_->setAutoRaise(true);
  dismiss_->setIcon(icon(Icon::close));
  dismiss_->setAccessibleName(tr("Dismiss"));
  dismiss_->setToolTip(tr("Dismiss"));

  row->addWidget(icon_, 0, Qt::AlignVCenter);
  row->addWidget(text_, 1, Qt::AlignVCenter);
  row->addWidget(reveal_, 0, Qt::AlignVCenter);
  row->addWidget(dismiss_, 0, Qt::AlignVCenter);

  connect(reveal_, &QPushButton::clicked, &model_, &AppModel::revealLastExport);
  connect(dismiss_, &QToolButton::clicked, this, &MessageBar::dismiss);
  connect(&model_, &AppModel::errorChanged, this, &MessageBar::refresh);
  connect(&model_, &AppModel::noticeChanged, this, &MessageBar::refresh);
  connect(&model_, &AppModel::lastExportChanged, this, &MessageBar::refresh);
  refresh();
}

QColor MessageBar::tint() const {
  return showingError_ ? QColor(255, 149, 0) : palette().color(QPalette::Highlight);
}

void MessageBar::refresh() {
  const auto& shown = model_.error() ? model_.error() : model_.notice();
  setVisible(shown.has_value());
  if (!shown) return;
  showingError_ = model_.error().has_value();
  icon_->setPixmap(icon(showingError_ ? Icon::warning : Icon::info).pixmap(16, 16));
  text_->setText(*shown);
  reveal_->setVisible(!model_.lastExport().isEmpty());
  update();
}

// Clears only the row on show, so a notice waiting under an error comes up next.
void MessageBar::dismiss() {
  if (showingError_) {
    model_.setError(std::nullopt);
  } else {
    model_.setNotice(std::nullopt);
  }
}

void MessageBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QColor background = tint();
  background.setAlphaF(0.10f);
  painter.fillRect(rect(), background);
}

}  // namespace vantorel::ui
