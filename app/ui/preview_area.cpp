#include "ui/preview_area.h"

#include "model/app_model.h"
#include "ui/empty_state.h"
#include "ui/notes.h"
#include "ui/spinner.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <QPainterPath>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <cmath>

namespace vantorel::ui {
namespace {

constexpr qreal kCornerRadius = 10;
constexpr qreal kShadowReach = 12;  ///< how far the soft shadow spreads past the picture
constexpr int kCheckerCell = 12;
constexpr float kDegreesPerPixel = 0.6f;
constexpr qreal kDragThreshold = 2;

// A soft shadow from a few widening, fading rounded rectangles, drawn once per picture size: playback
// repaints with every frame.
QPixmap makeShadow(const QSizeF& picture, qreal devicePixelRatio) {
  constexpr int kLayers = 6;
  constexpr double kOpacity = 0.18;
  const QSizeF size(picture.width() + 2 * kShadowReach, picture.height() + 3 * kShadowReach);
  QPixmap pixmap((size * devicePixelRatio).toSize());
  pixmap.setDevicePixelRatio(devicePixelRatio);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  const QRectF frame(QPointF(kShadowReach, kShadowReach), picture);
  for (int layer = kLayers; layer >= 1; --layer) {
    const qreal grow = kShadowReach * layer / kLayers;
    QColor black(Qt::black);
    black.setAlphaF(float(kOpacity / kLayers));
    painter.setBrush(black);
    painter.drawRoundedRect(frame.adjusted(-grow, -grow * 0.5, grow, grow * 1.5), kCornerRadius + grow,
                            kCornerRadius + grow);
  }
  return pixmap;
}

void paintCheckerboard(QPainter& painter, const QSizeF& size) {
  QColor gray(Qt::gray);
  gray.setAlphaF(0.18f);
  const int columns = int(size.width()) / kCheckerCell + 1;
  const int rows = int(size.height()) / kCheckerCell + 1;
  for (int row = 0; row < rows; ++row) {
    for (int column = row % 2; column < columns; column += 2) {
      painter.fillRect(QRectF(column * kCheckerCell, row * kCheckerCell, kCheckerCell, kCheckerCell), gray);
    }
  }
}

}  // namespace

PreviewFrame::PreviewFrame(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("previewFrame");
  setAccessibleDescription(tr("Use Turntable › Turn Left or Turn Right to turn it."));
  setCursor(Qt::OpenHandCursor);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setMinimumSize(120, 120);
  connect(&model_, &AppModel::previewChanged, this, &PreviewFrame::takePreview);
  connect(&model_, &AppModel::previewTurnChanged, this, &PreviewFrame::describeTurn);
  connect(&model_, &AppModel::lookChanged, this, qOverload<>(&QWidget::update));
  takePreview();
  describeTurn();
}

void PreviewFrame::takePreview() {
  picture_ = model_.preview().isNull() ? QImage()
                                       : model_.preview().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  update();
}

void PreviewFrame::describeTurn() {
  setAccessibleName(tr("Preview of the model, turned %1 degrees").arg(int(model_.previewTurn())));
}

QRectF PreviewFrame::pictureRect() const {
  if (picture_.isNull()) return {};
  // Room for the shadow on every side, so it is never cut by the widget's edge.
  const QRectF room = QRectF(rect()).adjusted(kShadowReach, kShadowReach, -kShadowReach, -kShadowReach * 1.5);
  QSizeF size = QSizeF(picture_.size()).scaled(room.size(), Qt::KeepAspectRatio);
  if (size.isEmpty()) return {};
  QRectF fitted(QPointF(), size);
  fitted.moveCenter(room.center());
  return fitted;
}

void PreviewFrame::paintEvent(QPaintEvent*) {
  const QRectF picture = pictureRect();
  if (picture.isEmpty()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  if (shadowFor_ != picture.size() || shadow_.devicePixelRatio() != devicePixelRatioF()) {
    shadow_ = makeShadow(picture.size(), devicePixelRatioF());
    shadowFor_ = picture.size();
  }
  painter.drawPixmap(picture.topLeft() - QPointF(kShadowReach, kShadowReach), shadow_);

  QPainterPath rounded;
  rounded.addRoundedRect(picture, kCornerRadius, kCornerRadius);
  painter.setClipPath(rounded);
  // The shadow must not show through a transparent picture: clear the frame to the page first.
  painter.fillRect(picture, PreviewArea::underPageColor(palette()));
  if (model_.look().background == BackgroundStyle::transparent) {
    painter.save();
    painter.translate(picture.topLeft());
    paintCheckerboard(painter, picture.size());
    painter.restore();
  }
  // Scaled straight into device pixels, so a dense screen gets every pixel the frame has.
  painter.drawImage(picture, picture_);
}

void PreviewFrame::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The model draws the preview for the screen the window is on, again when it moves to another.
  model_.setPreviewPixelRatio(devicePixelRatioF());
  if (QWindow* window = this->window()->windowHandle(); window && !followsScreen_) {
    followsScreen_ = true;
    connect(window, &QWindow::screenChanged, this, [this] { model_.setPreviewPixelRatio(devicePixelRatioF()); });
  }
}

void PreviewFrame::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pictureRect().contains(event->position())) {
    QWidget::mousePressEvent(event);
    return;
  }
  pressedAt_ = event->position();
  event->accept();
}

void PreviewFrame::mouseMoveEvent(QMouseEvent* event) {
  if (!pressedAt_) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  const QPointF translation = event->position() - *pressedAt_;
  if (!dragStart_) {
    if (std::hypot(translation.x(), translation.y()) < kDragThreshold) return;
    dragStart_ = model_.previewTurn();
    model_.stopPlaying();
    setCursor(Qt::ClosedHandCursor);
  }
  // Not wrapped while dragging, so the angle follows the hand; the next turn command wraps it.
  model_.setPreviewTurn(*dragStart_ + kDegreesPerPixel * float(translation.x()));
  model_.requestPreview();
  event->accept();
}

void PreviewFrame::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressedAt_) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  pressedAt_.reset();
  dragStart_.reset();
  setCursor(Qt::OpenHandCursor);
  event->accept();
}

PreviewArea::PreviewArea(AppModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      pages_(new QStackedLayout(this)),
      loadingPage_(new QWidget(this)),
      previewPage_(new QWidget(this)),
      emptyState_(new EmptyState(model, this)),
      frame_(new PreviewFrame(model, previewPage_)),
      videoText_(makeNote({}, previewPage_)) {
  setObjectName("previewArea");
  loadingPage_->setObjectName("previewLoading");
  previewPage_->setObjectName("previewPage");

  auto* loading = new QVBoxLayout(loadingPage_);
  loading->setContentsMargins(24, 24, 24, 24);
  loading->setSpacing(10);
  loading->addStretch(1);
  loading->addWidget(new Spinner(32, loadingPage_), 0, Qt::AlignHCenter);
  auto* reading = new QLabel(tr("Reading the model…"), loadingPage_);
  reading->setAlignment(Qt::AlignCenter);
  loading->addWidget(reading);
  loading->addStretch(1);

  auto* column = new QVBoxLayout(previewPage_);
  column->setContentsMargins(24, 24, 24, 16);
  column->setSpacing(10);
  column->addWidget(frame_, 1);
  auto* footer = new QHBoxLayout;
  videoText_->setObjectName("previewVideoText");
  videoText_->setWordWrap(false);
  QLabel* dragHint = makeNote(tr("Drag to turn"), previewPage_);
  dragHint->setWordWrap(false);
  footer->addStretch(1);
  footer->addWidget(videoText_);
  footer->addSpacing(16);
  footer->addWidget(dragHint);
  footer->addStretch(1);
  column->addLayout(footer);

  pages_->addWidget(loadingPage_);
  pages_->addWidget(previewPage_);
  pages_->addWidget(emptyState_);

  connect(&model_, &AppModel::loadingChanged, this, &PreviewArea::showPage);
  connect(&model_, &AppModel::previewChanged, this, &PreviewArea::showPage);
  connect(&model_, &AppModel::studioChanged, this, &PreviewArea::showPage);
  connect(&model_, &AppModel::videoChanged, this, &PreviewArea::describeVideo);
  showPage();
  describeVideo();
}

QColor PreviewArea::underPageColor(const QPalette& palette) {
  // Mixed toward the text colour: darker on a light theme, lighter on a dark one.
  const QColor window = palette.color(QPalette::Window), text = palette.color(QPalette::WindowText);
  constexpr float kMix = 0.06f;
  return QColor::fromRgbF(window.redF() + (text.redF() - window.redF()) * kMix,
                          window.greenF() + (text.greenF() - window.greenF()) * kMix,
                          window.blueF() + (text.blueF() - window.blueF()) * kMix);
}

void PreviewArea::showPage() {
  QWidget* page = emptyState_;
  if (model_.loading()) {
    page = loadingPage_;
  } else if (!model_.preview().isNull() && model_.studio()) {
    page = previewPage_;
  }
  pages_->setCurrentWidget(page);
}

void PreviewArea::describeVideo() {
  const VideoSpec& video = model_.video();
  videoText_->setText(QString::fromStdString(video.size().label()) + " · " +
                      tr("%1 s turn").arg(video.seconds));
}

void PreviewArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), underPageColor(palette()));
}

}  // namespace vantorel::ui
