#pragma once
// The inspector's output form: presets, the video, GIF and product-shot settings, and the exports.
#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace vantorel {
class AppModel;
}

namespace vantorel::ui {

class SegmentedControl;

class OutputTab : public QWidget {
  Q_OBJECT
 public:
  explicit OutputTab(AppModel& model, QWidget* parent = nullptr);

 private:
  void refreshVideo();
  void refreshGif();
  void refreshStills();
  void refreshExports();

  AppModel& model_;
  SegmentedControl* length_;
  QComboBox* videoShape_;
  QComboBox* videoSize_;
  QComboBox* codec_;
  QCheckBox* clockwise_;
  QComboBox* gifSize_;
  QComboBox* stillsShape_;
  QComboBox* stillsSize_;
  QList<QPushButton*> exports_;
};

}  // namespace vantorel::ui
