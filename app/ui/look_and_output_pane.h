#pragma once
// The right-hand pane: a segmented tab bar over the look, scene and output forms, each scrolling on
// its own, plus the small form parts those three forms share.
#include "base/choice.h"

#include <QComboBox>
#include <QString>
#include <QVariant>
#include <QWidget>

class QButtonGroup;
class QBoxLayout;
class QFormLayout;
class QHBoxLayout;
class QStackedWidget;

namespace vantorel {
class AppModel;
}

namespace vantorel::ui {

/// A row of exclusive toggle buttons; reports only the user's presses, never a value set from code.
class SegmentedControl : public QWidget {
  Q_OBJECT
 public:
  explicit SegmentedControl(const QString& accessibleName, QWidget* parent = nullptr);
  void addSegment(const QString& text, const QVariant& value, const QString& objectName);
  /// Selects the segment with `value`, or none when no segment has it.
  void setValue(const QVariant& value);
  QVariant value() const;

 signals:
  void activated(const QVariant& value);

 private:
  QHBoxLayout* row_;
  QButtonGroup* group_;
  QList<QVariant> values_;
};

/// A section of a form: its bold title, then a form the caller fills.
QFormLayout* addSection(QBoxLayout* column, const QString& title);

/// Gives every form label in `tab` the width of the widest, so fields line up across sections.
void alignFormLabels(QWidget* tab);

/// An empty picker that takes the form's width rather than its longest title's, so the form never
/// outgrows the pane.
QComboBox* makePicker(const QString& objectName, const QString& accessibleName, QWidget* parent);

/// A picker over every case of a choice, in table order, titled from the table.
template <Choice T>
QComboBox* choicePicker(const QString& objectName, const QString& accessibleName, QWidget* parent) {
  QComboBox* picker = makePicker(objectName, accessibleName, parent);
  for (T value : all<T>()) picker->addItem(QString::fromStdString(title(value)), int(value));
  return picker;
}

class Inspector : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 320;

  explicit Inspector(AppModel& model, QWidget* parent = nullptr);

 private:
  void showTab();

  AppModel& model_;
  SegmentedControl* tabs_;
  QStackedWidget* pages_;
};

}  // namespace vantorel::ui
