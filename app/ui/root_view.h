#pragma once
// The window's content, left to right: the model sidebar, the message bar over the preview, and the
// inspector.
#include <QWidget>

namespace vantorel {
class AppModel;
}

namespace vantorel::ui {

class ModelSidebar;
class MessageBar;
class PreviewArea;
class Inspector;

class RootView : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kSidebarWidth = 260;
  static constexpr int kInspectorWidth = 320;

  explicit RootView(AppModel& model, QWidget* parent = nullptr);

  ModelSidebar* sidebar() const { return sidebar_; }
  MessageBar* messageBar() const { return messageBar_; }
  PreviewArea* previewArea() const { return previewArea_; }

 private:
  ModelSidebar* sidebar_;
  MessageBar* messageBar_;
  PreviewArea* previewArea_;
  Inspector* inspector_;
};

}  // namespace vantorel::ui
