#include "ui/batch_sheet.h"

#include "model/app_model.h"
#include "ui/icons.h"
#include "ui/notes.h"
#include "ui/spinner.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <map>

namespace vantorel::ui {
namespace {

constexpr int kSteps = 1000;

/// What a row shows at its trailing end once its model is done.
enum class Mark { none, done, failed };
constexpr int kMarkRole = Qt::UserRole;
constexpr int kMarkTextRole = Qt::UserRole + 1;

const QColor kGreen(48, 164, 72), kOrange(232, 128, 28);

/// A file row: its name, and the result's mark at the trailing end.
class RowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    // Room for the 16-pixel marks and the spinner, whatever the font.
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height() + 6, 24));
    return size;
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const auto mark = Mark(index.data(kMarkRole).toInt());
    if (mark == Mark::none) return QStyledItemDelegate::paint(painter, option, index);

    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = index.data(kMarkTextRole).toString();
    const QFontMetrics metrics(opt.font);
    const int side = 16, gap = 6, margin = 8;
    const int markWidth = side + gap + metrics.horizontalAdvance(text) + margin;
    // The name gives way to the mark, so a long name is shortened rather than drawn under it.
    opt.text = metrics.elidedText(opt.text, Qt::ElideMiddle, std::max(0, opt.rect.width() - markWidth - 2 * margin));
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const bool selected = opt.state.testFlag(QStyle::State_Selected);
    QRect area(opt.rect.right() - markWidth + 1, opt.rect.top(), markWidth - margin, opt.rect.height());
    const QRect iconRect(area.left(), area.center().y() - side / 2 + 1, side, side);
    painter->drawPixmap(iconRect, markPixmap(mark, side, widget ? widget->devicePixelRatioF() : 1.0));
    area.setLeft(iconRect.right() + 1 + gap);
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(selected ? opt.palette.color(QPalette::HighlightedText)
                    : mark == Mark::failed ? kOrange
                                     : opt.palette.color(QPalette::PlaceholderText));
    painter->drawText(area, Qt::AlignVCenter | Qt::AlignLeft, text);
    painter->restore();
  }

 private:
  static QPixmap markPixmap(Mark mark, int side, qreal ratio) {
    QPixmap pixmap = icon(mark == Mark::done ? Icon::done : Icon::warning).pixmap(QSize(side, side), ratio);
    if (mark == Mark::done) {
      // Theme check marks come in the text colour or the theme's own; a finished model reads green.
      QPainter tint(&pixmap);
      tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
      tint.fillRect(pixmap.rect(), kGreen);
    }
    return pixmap;
  }
};

QString folderName(const std::optional<QUrl>& folder) {
  return folder ? folder->adjusted(QUrl::StripTrailingSlash).fileName() : QString();
}

}  // namespace

QString BatchSheet::summary(const std::vector<Batch::Result>& results) {
  const auto failures = std::ranges::count_if(results, [](const Batch::Result& r) { return r.error.has_value(); });
  if (failures == 0) return tr("Done: %1 models.").arg(results.size());
  return tr("Done: %1 models; %2 couldn't be read.").arg(results.size()).arg(failures);
}

BatchSheet::BatchSheet(AppModel& model, QWidget* parent) : QDialog(parent), model_(model) {
  setObjectName(QStringLiteral("batchSheet"));
  setWindowTitle(tr("Batch"));
  setWindowModality(Qt::WindowModal);
  setMinimumSize(620, 520);
  resize(620, 520);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(22, 22, 22, 22);
  column->setSpacing(10);

  auto* title = new QLabel(tr("Batch"), this);
  QFont titleFont = title->font();
  titleFont.setWeight(QFont::DemiBold);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
  title->setFont(titleFont);
  column->addWidget(title);

  auto* statusRow = new QHBoxLayout;
  statusRow->setSpacing(6);
  searchIcon_ = new QLabel(this);
  const int iconSide = fontMetrics().height();
  searchIcon_->setPixmap(icon(Icon::search).pixmap(QSize(iconSide, iconSide), devicePixelRatioF()));
  statusRow->addWidget(searchIcon_);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("batchStatus"));
  status_->setTextFormat(Qt::PlainText);
  status_->setForegroundRole(QPalette::PlaceholderText);
  statusRow->addWidget(status_, 1);
  column->addLayout(statusRow);

  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("batchFileList"));
  list_->setAccessibleName(tr("Model files"));
  list_->setMinimumHeight(180);
  list_->setUniformItemSizes(true);
  list_->setItemDelegate(new RowDelegate(list_));
  column->addWidget(list_, 1);

  column->addWidget(makeNote(tr("Every model gets the current look and output settings. Files are never "
                                "overwritten: a folder that exists gets a number."),
                             this));

  video_ = new QCheckBox(this);
  video_->setObjectName(QStringLiteral("batchVideoSwitch"));
  gif_ = new QCheckBox(tr("GIF"), this);
  gif_->setObjectName(QStringLiteral("batchGifSwitch"));
  stills_ = new QCheckBox(tr("Product shots"), this);
  stills_->setObjectName(QStringLiteral("batchStillsSwitch"));
  for (QCheckBox* box : {video_, gif_, stills_}) column->addWidget(box);
  connect(video_, &QCheckBox::toggled, &model_, &AppModel::setBatchVideo);
  connect(gif_, &QCheckBox::toggled, &model_, &AppModel::setBatchGIF);
  connect(stills_, &QCheckBox::toggled, &model_, &AppModel::setBatchStills);

  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("batchProgressBar"));
  bar_->setAccessibleName(tr("Progress"));
  bar_->setRange(0, kSteps);
  bar_->setTextVisible(false);
  column->addWidget(bar_);

  auto* footer = new QHBoxLayout;
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("batchSummary"));
  summary_->setTextFormat(Qt::PlainText);
  // The footer is narrow for the summary and four buttons; the summary wraps rather than squeezing them.
  summary_->setWordWrap(true);
  footer->addWidget(summary_, 1);
  show_ = new QPushButton(tr("Show in Folder"), this);
  show_->setObjectName(QStringLiteral("batchShowInFolderButton"));
  show_->setAutoDefault(false);
  connect(show_, &QPushButton::clicked, &model_, &AppModel::revealLastExport);
  footer->addWidget(show_);
  footer->addStretch();
  footer->addSpacing(12);
  close_ = new QPushButton(tr("Close"), this);
  close_->setObjectName(QStringLiteral("batchCloseButton"));
  close_->setAutoDefault(false);
  close_->setToolTip(tr("Close (Esc)"));
  connect(close_, &QPushButton::clicked, this, &BatchSheet::reject);
  footer->addWidget(close_);
  start_ = new QPushButton(tr("Choose Where to Save and Start…"), this);
  start_->setObjectName(QStringLiteral("batchStartButton"));
  start_->setDefault(true);
  connect(start_, &QPushButton::clicked, &model_, &AppModel::startBatch);
  footer->addWidget(start_);
  stop_ = new QPushButton(tr("Stop"), this);
  stop_->setObjectName(QStringLiteral("batchStopButton"));
  stop_->setAutoDefault(false);
  connect(stop_, &QPushButton::clicked, &model_, &AppModel::cancelExport);
  footer->addWidget(stop_);
  column->addLayout(footer);

  connect(&model_, &AppModel::batchShownChanged, this, &BatchSheet::updateShown);
  connect(&model_, &AppModel::batchFolderChanged, this, &BatchSheet::refreshHeader);
  connect(&model_, &AppModel::batchListingChanged, this, &BatchSheet::refreshHeader);
  connect(&model_, &AppModel::batchFilesChanged, this, &BatchSheet::rebuildRows);
  for (auto signal : {&AppModel::batchResultsChanged, &AppModel::batchRunningChanged, &AppModel::batchCurrentChanged})
    connect(&model_, signal, this, &BatchSheet::refreshMarks);
  for (auto signal : {&AppModel::videoChanged, &AppModel::batchVideoChanged, &AppModel::batchGIFChanged,
                      &AppModel::batchStillsChanged})
    connect(&model_, signal, this, &BatchSheet::refreshSwitches);
  for (auto signal : {&AppModel::batchListingChanged, &AppModel::batchFilesChanged, &AppModel::batchVideoChanged,
                      &AppModel::batchGIFChanged, &AppModel::batchStillsChanged, &AppModel::batchRunningChanged,
                      &AppModel::batchResultsChanged, &AppModel::progressChanged})
    connect(&model_, signal, this, &BatchSheet::refreshFooter);

  rebuildRows();
  refreshSwitches();
  refreshFooter();
  updateShown();
}

void BatchSheet::reject() {
  if (!model_.batchRunning()) model_.setBatchShown(false);
}

void BatchSheet::updateShown() {
  if (model_.batchShown() && !isVisible())
    show();
  else if (!model_.batchShown() && isVisible())
    hide();
}

void BatchSheet::refreshHeader() {
  const QString name = folderName(model_.batchFolder());
  const bool listing = model_.batchListing();
  searchIcon_->setVisible(listing);
  status_->setText(listing ? tr("Looking for models in “%1”…").arg(name)
                           : tr("%1 models in “%2” and its subfolders.").arg(model_.batchFiles().size()).arg(name));
}

void BatchSheet::rebuildRows() {
  // Rows change only with the file list; marks and the spinner are refreshed in place.
  list_->clear();
  spinnerRow_ = -1;
  for (const QUrl& file : model_.batchFiles()) {
    auto* item = new QListWidgetItem(file.fileName(), list_);
    item->setToolTip(file.toLocalFile());
  }
  refreshHeader();
  refreshMarks();
}

void BatchSheet::refreshMarks() {
  std::map<std::filesystem::path, const Batch::Result*> results;
  for (const auto& result : model_.batchResults()) results.try_emplace(result.source, &result);

  int spinnerRow = -1;
  const QList<QUrl>& files = model_.batchFiles();
  for (int row = 0; row < list_->count() && row < files.size(); ++row) {
    QListWidgetItem* item = list_->item(row);
    const auto found = results.find(localPath(files[row]));
    Mark mark = Mark::none;
    QString text, help = files[row].toLocalFile();
    if (found != results.end()) {
      const Batch::Result& result = *found->second;
      mark = result.error ? Mark::failed : Mark::done;
      text = result.error ? tr("Not read") : tr("%1 files").arg(result.outputs.size());
      if (result.error) help = QString::fromStdString(*result.error);
    } else if (model_.batchRunning() && row == model_.batchCurrent()) {
      spinnerRow = row;
    }
    item->setData(kMarkRole, int(mark));
    item->setData(kMarkTextRole, text);
    item->setToolTip(help);
    item->setData(Qt::AccessibleTextRole, text.isEmpty() ? item->text() : item->text() + QStringLiteral(", ") + text);
  }

  if (spinnerRow == spinnerRow_) return;
  if (spinnerRow_ >= 0 && spinnerRow_ < list_->count()) {
    // The view deletes the old spinner later; it must not turn on the finished row meanwhile.
    if (QWidget* old = list_->itemWidget(list_->item(spinnerRow_))) old->hide();
    list_->removeItemWidget(list_->item(spinnerRow_));
  }
  spinnerRow_ = spinnerRow;
  if (spinnerRow_ < 0) return;
  auto* host = new QWidget;
  host->setAttribute(Qt::WA_TransparentForMouseEvents);
  auto* layout = new QHBoxLayout(host);
  layout->setContentsMargins(0, 0, 8, 0);
  layout->addStretch();
  layout->addWidget(new Spinner(14, host));
  list_->setItemWidget(list_->item(spinnerRow_), host);
}

void BatchSheet::refreshSwitches() {
  const VideoSpec& video = model_.video();
  video_->setText(tr("Video (%1 s, %2)").arg(video.seconds).arg(QString::fromStdString(video.size().label())));
  const std::pair<QCheckBox*, bool> values[] = {
      {video_, model_.batchVideo()}, {gif_, model_.batchGIF()}, {stills_, model_.batchStills()}};
  for (const auto& [box, on] : values) {
    const QSignalBlocker quiet(box);
    box->setChecked(on);
  }
}

void BatchSheet::refreshFooter() {
  const bool running = model_.batchRunning();
  const auto& results = model_.batchResults();
  bar_->setVisible(running);
  bar_->setValue(int(std::lround(std::clamp(model_.progress().value_or(0.0), 0.0, 1.0) * kSteps)));
  summary_->setVisible(!results.empty());
  summary_->setText(summary(results));
  show_->setVisible(!results.empty());
  const bool stopFocused = stop_->hasFocus(), startFocused = start_->hasFocus() || close_->hasFocus();
  close_->setVisible(!running);
  start_->setVisible(!running);
  stop_->setVisible(running);
  start_->setEnabled(!model_.batchListing() && !model_.batchFiles().isEmpty() &&
                     (model_.batchVideo() || model_.batchGIF() || model_.batchStills()));
  // Keep the keyboard on the footer when its buttons swap.
  if (running && startFocused) stop_->setFocus();
  if (!running && stopFocused) close_->setFocus();
}

}  // namespace vantorel::ui
