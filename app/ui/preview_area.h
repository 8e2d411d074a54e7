#pragma once
// The middle of the window: the turntable's preview frame on the under-page background, turned by
// dragging it; a busy note while a model is read; the empty state when there is nothing to show.
#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QWidget>

#include <optional>

class QLabel;
class QStackedLayout;

namespace vantorel {
class AppModel;
}

namespace vantorel::ui {

class EmptyState;

/// The rounded preview picture with its shadow and, for a transparent background, the checkerboard.
class PreviewFrame : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewFrame(AppModel& model, QWidget* parent = nullptr);

  /// Where the picture sits: fitted into the widget with its aspect, centred.
  QRectF pictureRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void takePreview();
  void describeTurn();

  AppModel& model_;
  /// The model's frame in the raster engine's own format, converted once per frame, not per paint.
  QImage picture_;
  QPixmap shadow_;
  QSizeF shadowFor_;
  std::optional<QPointF> pressedAt_;
  /// The angle when the drag began; empty between drags.
  std::optional<float> dragStart_;
  bool followsScreen_ = false;
};

class PreviewArea : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewArea(AppModel& model, QWidget* parent = nullptr);

  PreviewFrame* frame() const { return frame_; }

  /// A shade of the window colour a little away from it, for the area behind the picture.
  static QColor underPageColor(const QPalette& palette);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void showPage();
  void describeVideo();

  AppModel& model_;
  QStackedLayout* pages_;
  QWidget* loadingPage_;
  QWidget* previewPage_;
  EmptyState* emptyState_;
  PreviewFrame* frame_;
  QLabel* videoText_;
};

}  // namespace vantorel::ui
