#pragma once
// The menu bar: every item calls one action of the model, or shows the about box, the help page or the
// preferences.
#include <QObject>
#include <QPointer>

#include <vector>

class QAction;
class QMenuBar;
class QWidget;

namespace vantorel {
class AppModel;
}

namespace vantorel::ui {

class SettingsView;

class AppCommands : public QObject {
  Q_OBJECT
 public:
  /// `window` is the main window: it owns the commands and is the parent of their dialogs.
  AppCommands(AppModel& model, QWidget* window);

  /// Adds File, Turntable and Help to `bar`; their shortcuts work wherever the focus is in the window.
  void addMenus(QMenuBar* bar);
  /// "Play Turntable" / "Stop Turning", following the model; null before addMenus.
  QAction* playAction() const { return play_; }

  void showPreferences();
  void showAbout();

 private:
  struct Command;
  static const std::vector<Command>& commands();
  void followPlaying();

  AppModel& model_;
  QWidget* window_;
  QAction* play_ = nullptr;
  QPointer<SettingsView> settings_;
  QPointer<QWidget> about_;
};

}  // namespace vantorel::ui
