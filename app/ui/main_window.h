#pragma once
// The application's one window: the toolbar, the root view, the sheets and the menus, and drops of
// model files and folders anywhere on it.
#include <QMainWindow>

class QAction;
class QToolButton;

namespace vantorel {
class AppModel;
}

namespace vantorel::ui {

class AppCommands;
class RootView;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(AppModel& model, QWidget* parent = nullptr);

  RootView* rootView() const { return root_; }
  /// A drag carrying files is over the window.
  bool dropTargeted() const { return dropTargeted_; }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildToolBar();
  void followPlaying();
  void setDropTargeted(bool targeted);

  AppModel& model_;
  RootView* root_;
  QWidget* dropOutline_;
  AppCommands* commands_;
  QAction* play_ = nullptr;
  bool dropTargeted_ = false;
};

}  // namespace vantorel::ui
