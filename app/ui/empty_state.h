#pragma once
// What the preview area shows with nothing to preview: how to start, and the samples to try.
#include <QWidget>

namespace vantorel {
class AppModel;
}

namespace vantorel::ui {

class EmptyState : public QWidget {
  Q_OBJECT
 public:
  explicit EmptyState(AppModel& model, QWidget* parent = nullptr);
};

}  // namespace vantorel::ui
