#pragma once
// The preferences window: a tab for what Vantorel does with the user's files.
#include <QWidget>

namespace vantorel::ui {

/// The privacy statement, a scrolling column of paragraphs.
class PrivacyTab : public QWidget {
  Q_OBJECT
 public:
  explicit PrivacyTab(QWidget* parent = nullptr);
};

class SettingsView : public QWidget {
  Q_OBJECT
 public:
  /// A window of its own above `parent` (the main window), which owns it.
  explicit SettingsView(QWidget* parent = nullptr);
};

}  // namespace vantorel::ui
