#pragma once
// The sheet over the window while a single export runs: its title, how far it is, and Stop.
#include <QDialog>

#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vantorel {
class AppModel;
}

namespace vantorel::ui {

class ProgressSheet : public QDialog {
  Q_OBJECT
 public:
  /// Shows and hides itself as the model's export starts and ends; the window only constructs it.
  ProgressSheet(AppModel& model, QWidget* parent);

  /// The whole percent done, the fraction dropped (0.537 gives 53); 0 without progress.
  static int percent(const std::optional<double>& progress);

 public slots:
  /// Escape asks the export to stop; the sheet goes only when the export has ended.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void refresh();
  void updateShown();

  AppModel& model_;
  QLabel* title_;
  QProgressBar* bar_;
  QLabel* percent_;
  QPushButton* stop_;
};

}  // namespace vantorel::ui
