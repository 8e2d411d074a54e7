#pragma once
// An indeterminate busy indicator: Qt's widgets have none, and a progress bar without a value reads as
// stuck on some styles.
#include <QTimer>
#include <QWidget>

namespace vantorel::ui {

class Spinner : public QWidget {
  Q_OBJECT
 public:
  /// `diameter` in device-independent pixels; it turns only while visible.
  explicit Spinner(int diameter = 32, QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  int diameter_;
  int step_ = 0;
  QTimer timer_;
};

}  // namespace vantorel::ui
