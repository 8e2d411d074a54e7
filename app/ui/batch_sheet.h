#pragma once
// The sheet for a folder of models: what it holds, what each model gets, and how each one went.
#include "output/batch.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace vantorel {
class AppModel;
}

namespace vantorel::ui {

class BatchSheet : public QDialog {
  Q_OBJECT
 public:
  /// Shows and hides itself with the model's batchShown; the window only constructs it.
  BatchSheet(AppModel& model, QWidget* parent);

  /// "Done: 5 models." or, when some failed, "Done: 5 models; 1 couldn't be read."
  static QString summary(const std::vector<Batch::Result>& results);

 public slots:
  /// Escape and the window manager's close are Close; while the batch runs only Stop ends it.
  void reject() override;

 private:
  void updateShown();
  void refreshHeader();
  void rebuildRows();
  void refreshMarks();
  void refreshSwitches();
  void refreshFooter();

  AppModel& model_;
  QLabel* searchIcon_;
  QLabel* status_;
  QListWidget* list_;
  int spinnerRow_ = -1;
  QCheckBox* video_;
  QCheckBox* gif_;
  QCheckBox* stills_;
  QProgressBar* bar_;
  QLabel* summary_;
  QPushButton* show_;
  QPushButton* close_;
  QPushButton* start_;
  QPushButton* stop_;
};

}  // namespace vantorel::ui
