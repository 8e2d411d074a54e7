#pragma once
// The inspector's look form: filament finish and colour, layer lines, saved looks.
#include <QWidget>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPushButton;

namespace vantorel {
class AppModel;
struct Look;
}  // namespace vantorel

namespace vantorel::ui {

class ColorButton;
class SwatchGrid;

class LookTab : public QWidget {
  Q_OBJECT
 public:
  explicit LookTab(AppModel& model, QWidget* parent = nullptr);

 private:
  void refreshLook();
  void refreshFileColors();
  void rebuildSavedLooks();
  void saveLook();
  /// One assignment of the look with `change` applied.
  template <typename Change>
  void edit(Change change);

  AppModel& model_;
  QFormLayout* filament_;
  QComboBox* finish_;
  QCheckBox* fileColors_;
  ColorButton* color_;
  SwatchGrid* swatches_;
  QFormLayout* layers_;
  QCheckBox* layerLines_;
  QComboBox* layerHeight_;
  QFormLayout* savedForm_;
  QWidget* savedList_;
  QLineEdit* name_;
  QPushButton* save_;
};

}  // namespace vantorel::ui
