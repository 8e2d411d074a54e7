#pragma once
// The left pane: facts about the open model and how it stands, the objects it is made of, and the
// scale warning for a file drawn in another unit.
#include "staging/orientation.h"
#include "staging/placement.h"

#include <QScrollArea>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QVBoxLayout;

namespace vantorel {
class AppModel;
}

namespace vantorel::ui {

class ModelSidebar : public QScrollArea {
  Q_OBJECT
 public:
  explicit ModelSidebar(AppModel& model, QWidget* parent = nullptr);

 private:
  QWidget* buildEmptyPage();
  QWidget* buildForm();
  void takeModel();
  void rebuildNotes();
  void rebuildObjects();
  void refreshObjectSwitches();
  void refreshFacts();
  void refreshPosition();
  void setStartTurn(int degrees);

  AppModel& model_;
  QWidget* emptyPage_ = nullptr;
  QWidget* form_ = nullptr;
  QLabel* file_ = nullptr;
  QLabel* format_ = nullptr;
  QLabel* triangles_ = nullptr;
  QLabel* sizeMillimetres_ = nullptr;
  QLabel* sizeInches_ = nullptr;
  QWidget* notes_ = nullptr;
  QVBoxLayout* notesLayout_ = nullptr;
  QWidget* scaleWarning_ = nullptr;
  QLabel* scaleMessage_ = nullptr;
  QPushButton* scaleButton_ = nullptr;
  float scaleFactor_ = 1;
  QWidget* objects_ = nullptr;
  QVBoxLayout* objectsLayout_ = nullptr;
  std::vector<std::pair<std::int64_t, QCheckBox*>> objectSwitches_;
  QComboBox* stands_ = nullptr;
  QComboBox* camera_ = nullptr;
  QSlider* startTurn_ = nullptr;
  QLabel* startTurnValue_ = nullptr;

  /// What the size line was worked out for: staging every vertex again on each look edit would be
  /// wasted on a large model.
  struct Staged {
    Orientation orientation;
    HiddenObjects hidden;
  };
  std::optional<Staged> staged_;
};

}  // namespace vantorel::ui
