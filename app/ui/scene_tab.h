#pragma once
// The inspector's scene form: background, light and the scale reference.
#include <QWidget>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;

namespace vantorel {
class AppModel;
}

namespace vantorel::ui {

class ColorButton;
class SwatchGrid;

class SceneTab : public QWidget {
  Q_OBJECT
 public:
  explicit SceneTab(AppModel& model, QWidget* parent = nullptr);

 private:
  void refresh();

  AppModel& model_;
  QFormLayout* background_;
  QComboBox* style_;
  ColorButton* color_;
  SwatchGrid* swatches_;
  QLabel* transparentNote_;
  QComboBox* lighting_;
  QCheckBox* shadow_;
  QComboBox* scaleReference_;
};

}  // namespace vantorel::ui
