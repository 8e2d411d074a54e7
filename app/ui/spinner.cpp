#include "ui/spinner.h"

#include <QPainter>

namespace vantorel::ui {
namespace {
constexpr int kSpokes = 12;
}

Spinner::Spinner(int diameter, QWidget* parent) : QWidget(parent), diameter_(diameter) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  timer_.setInterval(80);
  connect(&timer_, &QTimer::timeout, this, [this] {
    step_ = (step_ + 1) % kSpokes;
    update();
  });
}

QSize Spinner::sizeHint() const { return {diameter_, diameter_}; }

void Spinner::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(width() / 2.0, height() / 2.0);
  const double radius = std::min(width(), height()) / 2.0;
  QColor color = palette().color(QPalette::WindowText);
  QPen pen(color, std::max(1.5, radius / 6), Qt::SolidLine, Qt::RoundCap);
  for (int i = 0; i < kSpokes; ++i) {
    // The spoke just passed is darkest; the trail fades behind it.
    const int age = (step_ - i + kSpokes) % kSpokes;
    color.setAlphaF(float(1.0 - 0.8 * age / (kSpokes - 1)));
    pen.setColor(color);
    painter.setPen(pen);
    painter.save();
    painter.rotate(i * 360.0 / kSpokes);
    painter.drawLine(QPointF(0, -radius * 0.5), QPointF(0, -radius * 0.9));
    painter.restore();
  }
}

void Spinner::showEvent(QShowEvent*) { timer_.start(); }
void Spinner::hideEvent(QHideEvent*) { timer_.stop(); }

}  // namespace vantorel::ui
