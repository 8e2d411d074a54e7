#include "ui/swatch_grid.h"

#include "ui/colors.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QPainter>
#include <QPixmap>

#include <utility>

namespace vantorel::ui {

class SwatchButton : public QAbstractButton {
 public:
  SwatchButton(const Swatch& swatch, QWidget* parent) : QAbstractButton(parent), color_(toQColor(swatch.color)) {
    setToolTip(swatch.name);
    setAccessibleName(swatch.name);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(SwatchGrid::kCell, SwatchGrid::kCell);
  }

  void setCurrent(bool current) {
    if (current == current_) return;
    current_ = current;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(rect()).adjusted(1, 1, -1, -1);  // 24 across in the 26 cell
    painter.setBrush(color_);
    painter.setPen(QPen(QColor(0, 0, 0, 38), 1));
    painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    if (current_) {
      // The ring hugs the circle from outside, with a thin gap so it reads on a swatch of the accent's own hue.
      painter.setBrush(Qt::NoBrush);
      painter.setPen(QPen(palette().color(QPalette::Base), 1.5));
      painter.drawEllipse(circle.adjusted(1.25, 1.25, -1.25, -1.25));
      painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
      painter.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
    if (hasFocus()) {
      painter.setBrush(Qt::NoBrush);
      painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
      painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
  }

 private:
  QColor color_;
  bool current_ = false;
};

SwatchGrid::SwatchGrid(std::vector<Swatch> swatches, QWidget* parent)
    : QWidget(parent), swatches_(std::move(swatches)) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(kGap);
  for (std::size_t i = 0; i < swatches_.size(); ++i) {
    auto* button = new SwatchButton(swatches_[i], this);
    button->setObjectName(QStringLiteral("swatch%1").arg(i));
    grid->addWidget(button, int(i) / kColumns, int(i) % kColumns);
    const RGBA color = swatches_[i].color;
    connect(button, &QAbstractButton::clicked, this, [this, color] { emit picked(color); });
    buttons_.push_back(button);
  }
  grid->setColumnStretch(kColumns, 1);
  for (int column = 0; column < kColumns; ++column) grid->setColumnMinimumWidth(column, kCell);
}

void SwatchGrid::setCurrent(const RGBA& color) {
  for (std::size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->setCurrent(swatches_[i].color == color);
}

ColorButton::ColorButton(const QString& dialogTitle, QWidget* parent) : QPushButton(parent), dialogTitle_(dialogTitle) {
  setIconSize({40, 14});
  connect(this, &QPushButton::clicked, this, &ColorButton::openDialog);
  setColor(color_);
}

void ColorButton::setColor(const RGBA& color) {
  color_ = color;
  QPixmap chip(iconSize() * devicePixelRatioF());
  chip.setDevicePixelRatio(devicePixelRatioF());
  chip.fill(Qt::transparent);
  QPainter painter(&chip);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0, 0, 0, 38), 1));
  painter.setBrush(toQColor(color));
  painter.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(iconSize())).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
  painter.end();
  setIcon(QIcon(chip));
  setText(QColor(toQColor(color)).name(QColor::HexRgb).toUpper());
}

void ColorButton::openDialog() {
  auto* dialog = new QColorDialog(toQColor(color_), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(dialogTitle_);
  dialog->setOption(QColorDialog::ShowAlphaChannel, false);
  connect(dialog, &QColorDialog::colorSelected, this, [this](const QColor& chosen) { emit picked(toRGBA(chosen)); });
  dialog->open();
}

}  // namespace vantorel::ui
