#pragma once
// The row above the preview that shows the model's error, or else its notice, with a way to dismiss it.
#include <QWidget>

class QLabel;
class QPushButton;
class QToolButton;

namespace vantorel {
class AppModel;
}

namespace vantorel::ui {

class MessageBar : public QWidget {
  Q_OBJECT
 public:
  explicit MessageBar(AppModel& model, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void refresh();
  void dismiss();
  QColor tint() const;

  AppModel& model_;
  bool showingError_ = false;
  QLabel* icon_;
  QLabel* text_;
  QPushButton* reveal_;
  QToolButton* dismiss_;
};

}  // namespace vantorel::ui
