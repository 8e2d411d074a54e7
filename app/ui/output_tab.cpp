#include "ui/output_tab.h"

#include "model/app_model.h"
#include "output/export_size.h"
#include "output/output_preset.h"
#include "ui/look_and_output_pane.h"
#include "ui/notes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vantorel::ui {
namespace {

QString sizeTitle(Aspect aspect, std::int64_t shortSide) {
  return QString::fromStdString(ExportSize::pixels(aspect, shortSide).label());
}

/// Titles of the resolution options for `aspect`; the selection stays where it is.
void retitleResolutions(QComboBox* picker, Aspect aspect) {
  for (Resolution resolution : all<Resolution>()) {
    QString text = sizeTitle(aspect, rawValue(resolution));
    if (resolution == Resolution::r2160) text += QObject::tr(" (4K)");
    picker->setItemText(int(resolution), text);
  }
}

QComboBox* resolutionPicker(const QString& objectName, QWidget* parent) {
  QComboBox* picker = makePicker(objectName, QObject::tr("Size"), parent);
  for (Resolution resolution : all<Resolution>()) picker->addItem(QString(), int(resolution));
  return picker;
}

}  // namespace

OutputTab::OutputTab(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName(QStringLiteral("outputTab"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(12, 12, 12, 12);
  column->setSpacing(8);

  auto* presets = addSection(column, tr("Presets"));
  auto* presetButton = new QPushButton(tr("Use a Preset"), this);
  presetButton->setObjectName(QStringLiteral("presetMenuButton"));
  auto* presetMenu = new QMenu(presetButton);
  presetMenu->setObjectName(QStringLiteral("presetMenu"));
  for (const OutputPreset& preset : OutputPreset::all()) {
    presetMenu->addAction(QString::fromStdString(preset.title), this, [this, &preset] { model_.applyPreset(preset); });
  }
  presetButton->setMenu(presetMenu);
  presets->addRow(presetButton);
  presets->addRow(makeNote(
      tr("Sizes follow common marketplace guidance. Check each marketplace's current rules before you list."), this));

  auto* video = addSection(column, tr("Turntable video"));
  length_ = new SegmentedControl(tr("Length"), this);
  length_->setObjectName(QStringLiteral("videoLengthPicker"));
  for (std::int64_t seconds : VideoSpec::durations)
    length_->addSegment(tr("%1 s").arg(seconds), qlonglong(seconds), QStringLiteral("videoLength%1").arg(seconds));
  video->addRow(tr("Length"), length_);
  videoShape_ = choicePicker<Aspect>(QStringLiteral("videoShapePicker"), tr("Shape"), this);
  video->addRow(tr("Shape"), videoShape_);
  videoSize_ = resolutionPicker(QStringLiteral("videoSizePicker"), this);
  video->addRow(tr("Size"), videoSize_);
  codec_ = choicePicker<VideoCodec>(QStringLiteral("videoFormatPicker"), tr("Format"), this);
  video->addRow(tr("Format"), codec_);
  clockwise_ = new QCheckBox(tr("Turn clockwise"), this);
  clockwise_->setObjectName(QStringLiteral("clockwiseSwitch"));
  video->addRow(clockwise_);
  video->addRow(makeNote(
      tr("One full turn over the length, so the video loops without a jump. 30 frames a second, no sound."), this));

  auto* gif = addSection(column, tr("GIF"));
  gifSize_ = makePicker(QStringLiteral("gifSizePicker"), tr("Size"), this);
  for (std::int64_t side : GIFSpec::sizes) gifSize_->addItem(QString(), qlonglong(side));
  gif->addRow(tr("Size"), gifSize_);
  gif->addRow(makeNote(tr("Same length and shape as the video, 20 frames a second."), this));

  auto* stills = addSection(column, tr("Product shots"));
  stillsShape_ = choicePicker<Aspect>(QStringLiteral("stillsShapePicker"), tr("Shape"), this);
  stills->addRow(tr("Shape"), stillsShape_);
  stillsSize_ = resolutionPicker(QStringLiteral("stillsSizePicker"), this);
  stills->addRow(tr("Size"), stillsSize_);
  stills->addRow(makeNote(
      tr("Six angles (three-quarter, front, side, back, other side, from above) and a hero shot, as PNG."), this));

  column->addSpacing(14);
  const auto addButton = [&](const QString& text, const QString& name, void (AppModel::*action)()) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    connect(button, &QPushButton::clicked, &model_, action);
    column->addWidget(button);
    return button;
  };
  exports_ = {addButton(tr("Export Video…"), QStringLiteral("exportVideoButton"), &AppModel::exportVideo),
              addButton(tr("Export GIF…"), QStringLiteral("exportGifButton"), &AppModel::exportGIF),
              addButton(tr("Export Product Shots…"), QStringLiteral("exportStillsButton"), &AppModel::exportStills),
              addButton(tr("Export Everything to a Folder…"), QStringLiteral("exportEverythingButton"),
                        &AppModel::exportEverything)};
  addButton(tr("Batch Folder…"), QStringLiteral("batchFolderButton"), &AppModel::chooseBatchFolder);
  column->addSpacing(6);
  column->addWidget(makeNote(
      tr("A render is a preview, not a photo of your print. Add a real photo of the item to each listing too."), this));
  column->addStretch(1);
  alignFormLabels(this);

  const auto editVideo = [this](auto change) {
    VideoSpec spec = model_.video();
    change(spec);
    model_.setVideo(spec);
  };
  connect(length_, &SegmentedControl::activated, this,
          [editVideo](const QVariant& seconds) { editVideo([&](VideoSpec& v) { v.seconds = seconds.toLongLong(); }); });
  connect(videoShape_, &QComboBox::activated, this,
          [editVideo](int index) { editVideo([&](VideoSpec& v) { v.aspect = all<Aspect>()[std::size_t(index)]; }); });
  connect(videoSize_, &QComboBox::activated, this, [editVideo](int index) {
    editVideo([&](VideoSpec& v) { v.resolution = all<Resolution>()[std::size_t(index)]; });
  });
  connect(codec_, &QComboBox::activated, this, [editVideo](int index) {
    editVideo([&](VideoSpec& v) { v.codec = all<VideoCodec>()[std::size_t(index)]; });
  });
  connect(clockwise_, &QCheckBox::toggled, this,
          [editVideo](bool on) { editVideo([&](VideoSpec& v) { v.clockwise = on; }); });
  connect(gifSize_, &QComboBox::activated, this, [this](int index) {
    GIFSpec spec = model_.gif();
    spec.shortSide = gifSize_->itemData(index).toLongLong();
    model_.setGif(spec);
  });
  const auto editStills = [this](auto change) {
    StillSpec spec = model_.stills();
    change(spec);
    model_.setStills(spec);
  };
  connect(stillsShape_, &QComboBox::activated, this,
          [editStills](int index) { editStills([&](StillSpec& s) { s.aspect = all<Aspect>()[std::size_t(index)]; }); });
  connect(stillsSize_, &QComboBox::activated, this, [editStills](int index) {
    editStills([&](StillSpec& s) { s.resolution = all<Resolution>()[std::size_t(index)]; });
  });

  connect(&model_, &AppModel::videoChanged, this, &OutputTab::refreshVideo);
  connect(&model_, &AppModel::gifChanged, this, &OutputTab::refreshGif);
  connect(&model_, &AppModel::stillsChanged, this, &OutputTab::refreshStills);
  connect(&model_, &AppModel::studioChanged, this, &OutputTab::refreshExports);
  refreshVideo();
  refreshStills();
  refreshExports();
}

void OutputTab::refreshVideo() {
  const VideoSpec& video = model_.video();
  const QSignalBlocker blockShape(videoShape_), blockSize(videoSize_), blockCodec(codec_), blockClockwise(clockwise_);
  length_->setValue(qlonglong(video.seconds));
  videoShape_->setCurrentIndex(int(video.aspect));
  retitleResolutions(videoSize_, video.aspect);
  videoSize_->setCurrentIndex(int(video.resolution));
  codec_->setCurrentIndex(int(video.codec));
  clockwise_->setChecked(video.clockwise);
  // The GIF's sizes are titled with the video's shape, which the GIF follows.
  refreshGif();
}

void OutputTab::refreshGif() {
  const Aspect aspect = model_.video().aspect;
  const QSignalBlocker block(gifSize_);
  for (int i = 0; i < gifSize_->count(); ++i)
    gifSize_->setItemText(i, sizeTitle(aspect, gifSize_->itemData(i).toLongLong()));
  gifSize_->setCurrentIndex(gifSize_->findData(qlonglong(model_.gif().shortSide)));
}

void OutputTab::refreshStills() {
  const StillSpec& stills = model_.stills();
  const QSignalBlocker blockShape(stillsShape_), blockSize(stillsSize_);
  stillsShape_->setCurrentIndex(int(stills.aspect));
  retitleResolutions(stillsSize_, stills.aspect);
  stillsSize_->setCurrentIndex(int(stills.resolution));
}

void OutputTab::refreshExports() {
  for (QPushButton* button : exports_) button->setEnabled(model_.studio() != nullptr);
}

}  // namespace vantorel::ui
