#include "ui/model_sidebar.h"

#include "base/choice.h"
#include "base/number_format.h"
#include "model/app_model.h"
#include "staging/scale_check.h"
#include "ui/colors.h"
#include "ui/icons.h"
#include "ui/notes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace vantorel::ui {
namespace {

constexpr int kAngleStep = 5;

/// A one-line value that gives way to the pane's width: long file names are shortened in the middle
/// and shown whole in the tooltip.
class ElidedLabel : public QLabel {
 public:
  explicit ElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
  }
  void setFullText(const QString& text) {
    full_ = text;
    setToolTip(text);
    setAccessibleName(text);
    elide();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    elide();
  }

 private:
  void elide() { setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, std::max(width(), 1))); }
  QString full_;
};

QFormLayout* makeForm() {
  auto* form = new QFormLayout;
  form->setContentsMargins(0, 0, 0, 0);
  form->setRowWrapPolicy(QFormLayout::WrapLongRows);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  form->setLabelAlignment(Qt::AlignLeft);
  return form;
}

QIcon swatch(const QColor& color) {
  QPixmap pixmap(10, 10);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0, 0, 0, 60), 1));
  painter.setBrush(color);
  painter.drawRoundedRect(QRectF(0.5, 0.5, 9, 9), 2, 2);
  return QIcon(pixmap);
}

template <Choice T>
void fillChoices(QComboBox* combo) {
  for (T value : all<T>()) combo->addItem(QString::fromStdString(title(value)));
}

}  // namespace

ModelSidebar::ModelSidebar(AppModel& model, QWidget* parent) : QScrollArea(parent), model_(model) {
  setObjectName("modelSidebar");
  setWidgetResizable(true);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  auto* content = new QWidget;
  content->setObjectName("modelSidebarContent");
  auto* column = new QVBoxLayout(content);
  column->setContentsMargins(14, 14, 14, 14);
  emptyPage_ = buildEmptyPage();
  form_ = buildForm();
  column->addWidget(emptyPage_, 1);
  column->addWidget(form_);
  column->addStretch(0);
  setWidget(content);

  connect(&model_, &AppModel::modelChanged, this, &ModelSidebar::takeModel);
  connect(&model_, &AppModel::sourceNameChanged, this,
          [this] { static_cast<ElidedLabel*>(file_)->setFullText(model_.sourceName()); });
  connect(&model_, &AppModel::hiddenChanged, this, [this] {
    refreshObjectSwitches();
    refreshFacts();
  });
  connect(&model_, &AppModel::lookChanged, this, [this] {
    refreshPosition();
    refreshFacts();
  });
  takeModel();
  refreshPosition();
}

QWidget* ModelSidebar::buildEmptyPage() {
  auto* page = new QWidget;
  page->setObjectName("sidebarNoModel");
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(10);
  column->addStretch(1);
  auto* none = new QLabel(tr("No model open."), page);
  none->setAlignment(Qt::AlignCenter);
  none->setForegroundRole(QPalette::PlaceholderText);
  column->addWidget(none);
  auto* open = new QPushButton(tr("Open Model…"), page);
  open->setObjectName("sidebarOpenButton");
  connect(open, &QPushButton::clicked, &model_, &AppModel::openPanel);
  column->addWidget(open, 0, Qt::AlignHCenter);
  column->addStretch(1);
  return page;
}

QWidget* ModelSidebar::buildForm() {
  auto* form = new QWidget;
  form->setObjectName("sidebarForm");
  auto* column = new QVBoxLayout(form);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(8);

  // Model
  column->addWidget(makeSectionTitle(tr("Model"), form));
  QFormLayout* facts = makeForm();
  auto* file = new ElidedLabel(form);
  file->setObjectName("sidebarFile");
  file_ = file;
  format_ = new QLabel(form);
  format_->setObjectName("sidebarFormat");
  triangles_ = new QLabel(form);
  triangles_->setObjectName("sidebarTriangles");
  facts->addRow(tr("File"), file_);
  facts->addRow(tr("Format"), format_);
  facts->addRow(tr("Triangles"), triangles_);
  column->addLayout(facts);
  column->addWidget(new QLabel(tr("Size (W × D × H)"), form));
  sizeMillimetres_ = new QLabel(form);
  sizeMillimetres_->setObjectName("sidebarSize");
  sizeMillimetres_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  sizeInches_ = makeNote({}, form);
  sizeInches_->setObjectName("sidebarSizeInches");
  column->addWidget(sizeMillimetres_);
  column->addWidget(sizeInches_);
  notes_ = new QWidget(form);
  notesLayout_ = new QVBoxLayout(notes_);
  notesLayout_->setContentsMargins(0, 0, 0, 0);
  notesLayout_->setSpacing(4);
  column->addWidget(notes_);

  // The scale warning
  scaleWarning_ = new QWidget(form);
  scaleWarning_->setObjectName("scaleWarning");
  auto* warning = new QVBoxLayout(scaleWarning_);
  warning->setContentsMargins(0, 4, 0, 4);
  auto* line = new QHBoxLayout;
  auto* ruler = new QLabel(scaleWarning_);
  ruler->setPixmap(icon(Icon::ruler).pixmap(16, 16));
  scaleMessage_ = new QLabel(scaleWarning_);
  scaleMessage_->setObjectName("scaleMessage");
  scaleMessage_->setWordWrap(true);
  line->addWidget(ruler, 0, Qt::AlignTop);
  line->addWidget(scaleMessage_, 1);
  warning->addLayout(line);
  scaleButton_ = new QPushButton(scaleWarning_);
  scaleButton_->setObjectName("scaleButton");
  connect(scaleButton_, &QPushButton::clicked, this, [this] { model_.scaleModel(scaleFactor_); });
  warning->addWidget(scaleButton_, 0, Qt::AlignLeft);
  column->addWidget(scaleWarning_);

  // Objects
  objects_ = new QWidget(form);
  objects_->setObjectName("objectsSection");
  objectsLayout_ = new QVBoxLayout(objects_);
  objectsLayout_->setContentsMargins(0, 8, 0, 0);
  objectsLayout_->setSpacing(6);
  objectsLayout_->addWidget(makeSectionTitle(tr("Objects"), objects_));
  column->addWidget(objects_);

  // Position
  column->addSpacing(8);
  column->addWidget(makeSectionTitle(tr("Position"), form));
  QFormLayout* position = makeForm();
  stands_ = new QComboBox(form);
  stands_->setObjectName("standsPicker");
  stands_->setAccessibleName(tr("Stands"));
  fillChoices<Orientation>(stands_);
  connect(stands_, &QComboBox::activated, this, [this](int index) {
    Look look = model_.look();
    look.orientation = all<Orientation>()[std::size_t(index)];
    model_.setLook(look);
  });
  camera_ = new QComboBox(form);
  camera_->setObjectName("cameraPicker");
  camera_->setAccessibleName(tr("Camera"));
  fillChoices<CameraAngle>(camera_);
  connect(camera_, &QComboBox::activated, this, [this](int index) {
    Look look = model_.look();
    look.camera = all<CameraAngle>()[std::size_t(index)];
    model_.setLook(look);
  });
  startTurn_ = new QSlider(Qt::Horizontal, form);
  startTurn_->setObjectName("startTurnSlider");
  startTurn_->setAccessibleName(tr("Start turn"));
  startTurn_->setRange(-180, 180);
  startTurn_->setSingleStep(kAngleStep);
  startTurn_->setPageStep(3 * kAngleStep);
  connect(startTurn_, &QSlider::valueChanged, this, &ModelSidebar::setStartTurn);
  startTurnValue_ = new QLabel(form);
  startTurnValue_->setObjectName("startTurnValue");
  auto* turn = new QVBoxLayout;
  turn->setSpacing(0);
  turn->addWidget(startTurn_);
  turn->addWidget(startTurnValue_);
  position->addRow(tr("Stands"), stands_);
  position->addRow(tr("Camera"), camera_);
  position->addRow(tr("Start turn"), turn);
  column->addLayout(position);

  column->addSpacing(8);
  column->addWidget(makeNote(tr("Renders are previews of the model, not photos of your print. Many marketplaces ask for "
                                "photos of the actual item too: add at least one real photo to each listing."),
                             form));
  return form;
}

void ModelSidebar::takeModel() {
  const auto& model = model_.model();
  emptyPage_->setVisible(!model);
  form_->setVisible(model.has_value());
  staged_.reset();
  if (!model) return;
  static_cast<ElidedLabel*>(file_)->setFullText(model_.sourceName());
  format_->setText(QString::fromStdString(title(model->format)));
  triangles_->setText(QString::fromStdString(formatCount(model->triangleCount())));
  rebuildNotes();
  rebuildObjects();
  refreshFacts();
}

void ModelSidebar::rebuildNotes() {
  while (QLayoutItem* item = notesLayout_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  for (const std::string& note : model_.model()->notes) {
    notesLayout_->addWidget(makeNote(QString::fromStdString(note), notes_));
  }
  notes_->setVisible(!model_.model()->notes.empty());
}

void ModelSidebar::rebuildObjects() {
  for (const auto& [id, check] : objectSwitches_) delete check;
  objectSwitches_.clear();
  const PrintModel& model = *model_.model();
  objects_->setVisible(model.objects.size() >= 2);
  if (model.objects.size() < 2) return;
  for (const ModelObject& object : model.objects) {
    auto* check = new QCheckBox(QString::fromStdString(object.name), objects_);
    check->setObjectName(QStringLiteral("objectSwitch%1").arg(object.id));
    if (object.color && *object.color >= 0 && std::size_t(*object.color) < model.palette.size()) {
      check->setIcon(swatch(toQColor(model.palette[std::size_t(*object.color)])));
      check->setIconSize(QSize(10, 10));
    } else if (object.triangleColors) {
      check->setIcon(icon(Icon::palette));
      check->setIconSize(QSize(12, 12));
    }
    const std::int64_t id = object.id;
    // The model may refuse (the last visible object stays), so the switch shows its answer, not the click.
    connect(check, &QCheckBox::clicked, this, [this, id] {
      model_.toggleHidden(id);
      refreshObjectSwitches();
    });
    objectsLayout_->addWidget(check);
    objectSwitches_.emplace_back(id, check);
  }
  refreshObjectSwitches();
}

void ModelSidebar::refreshObjectSwitches() {
  for (const auto& [id, check] : objectSwitches_) {
    const QSignalBlocker quiet(check);
    check->setChecked(!model_.hidden().contains(id));
  }
}

// Staged here from the model's fields rather than asked of the studio, whose lock a running render
// holds: the window must never wait for one.
void ModelSidebar::refreshFacts() {
  const auto& model = model_.model();
  if (!model) return;
  const Orientation orientation = model_.look().orientation;
  if (staged_ && staged_->orientation == orientation && staged_->hidden == model_.hidden()) return;
  staged_ = Staged{orientation, model_.hidden()};

  const Float3 staged = Placement::of(*model, orientation, model_.hidden()).stagedSize();
  const double width = staged.x, depth = staged.z, height = staged.y;
  sizeMillimetres_->setText(QString::asprintf("%.1f × %.1f × %.1f mm", width, depth, height));
  sizeInches_->setText(QString::asprintf("%.2f × %.2f × %.2f in", width / 25.4, depth / 25.4, height / 25.4));

  const ScaleCheck check = ScaleCheck::of(staged);
  scaleWarning_->setVisible(check.kind != ScaleCheck::Kind::ok);
  if (check.kind == ScaleCheck::Kind::ok) return;
  scaleMessage_->setText(QString::fromStdString(check.message().value_or("")));
  if (check.kind == ScaleCheck::Kind::tooSmall) {
    scaleFactor_ = 25.4f;
    scaleButton_->setText(tr("Scale Up 25.4× (inches to mm)"));
  } else {
    scaleFactor_ = check.largestSide > 15000 ? 0.001f : 0.03937008f;
    scaleButton_->setText(tr("Scale Down"));
  }
}

void ModelSidebar::refreshPosition() {
  const Look& look = model_.look();
  {
    const QSignalBlocker quiet(stands_);
    stands_->setCurrentIndex(int(look.orientation));
  }
  {
    const QSignalBlocker quiet(camera_);
    camera_->setCurrentIndex(int(look.camera));
  }
  {
    const QSignalBlocker quiet(startTurn_);
    startTurn_->setValue(int(std::lround(look.startAngle)));
  }
  startTurnValue_->setText(tr("%1 degrees").arg(int(look.startAngle)));
}

void ModelSidebar::setStartTurn(int degrees) {
  const int snapped = int(std::lround(degrees / double(kAngleStep))) * kAngleStep;
  if (snapped != degrees) {
    startTurn_->setValue(snapped);  // comes back here with the snapped value
    return;
  }
  Look look = model_.look();
  look.startAngle = snapped;
  model_.setLook(look);
}

}  // namespace vantorel::ui
