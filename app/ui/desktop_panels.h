#pragma once
// The panels on a Linux desktop: Qt's file dialogs (the desktop's own where its platform theme offers
// them) and the freedesktop file manager interface.
#include "model/panels.h"

#include <QPointer>
#include <QWidget>

namespace vantorel::ui {

class DesktopPanels : public Panels {
 public:
  /// The dialogs sit over `window`; it may be given later, once the window exists.
  explicit DesktopPanels(QWidget* window = nullptr) : window_(window) {}
  void setWindow(QWidget* window) { window_ = window; }

  QList<QUrl> openModelFiles() override;
  std::optional<QUrl> saveFile(const QString& suggestedName, const QString& extension,
                               const QString& message = {}) override;
  std::optional<QUrl> chooseFolder(const QString& prompt, const QString& acceptLabel) override;
  void showInFolder(const QList<QUrl>& files) override;

  /// The deepest folder holding all of `files`: what "Show in Folder" opens without a file manager
  /// that selects.
  static QUrl commonFolder(const QList<QUrl>& files);

 private:
  QPointer<QWidget> window_;
  QString lastFolder_;  ///< where the last dialog was confirmed, so the next starts there
};

}  // namespace vantorel::ui
