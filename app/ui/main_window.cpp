#include "ui/main_window.h"

#include "model/app_model.h"
#include "ui/app_commands.h"
#include "ui/batch_sheet.h"
#include "ui/icons.h"
#include "ui/progress_sheet.h"
#include "ui/root_view.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>

namespace vantorel::ui {
namespace {

/// The accent outline that says the window takes what is dragged over it.
class DropOutline : public QWidget {
 public:
  explicit DropOutline(QWidget* parent) : QWidget(parent) {
    setObjectName("dropOutline");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    constexpr qreal kInset = 6, kLine = 3, kRadius = 10;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Highlight), kLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(kInset, kInset, -kInset, -kInset), kRadius, kRadius);
  }
};

/// The local files among what is dropped, in drop order; links and text are left out.
QList<QUrl> droppedFiles(const QMimeData* data) {
  QList<QUrl> files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) files.append(url);
  }
  return files;
}

}  // namespace

MainWindow::MainWindow(AppModel& model, QWidget* parent)
    : QMainWindow(parent),
      model_(model),
      root_(new RootView(model, this)),
      dropOutline_(new DropOutline(root_)),
      commands_(new AppCommands(model, this)) {
  setObjectName("mainWindow");
  setWindowTitle(QStringLiteral("Vantorel"));
  setWindowIcon(appIcon());
  setCentralWidget(root_);
  resize(1360, 860);
  setMinimumSize(1080, 680);
  setAcceptDrops(true);
  root_->installEventFilter(this);

  buildToolBar();
  commands_->addMenus(menuBar());
  // Each shows and hides itself with the model.
  new ProgressSheet(model_, this);
  new BatchSheet(model_, this);
}

void MainWindow::buildToolBar() {
  QToolBar* bar = addToolBar(tr("Toolbar"));
  bar->setObjectName("mainToolBar");
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  bar->toggleViewAction()->setVisible(false);

  QAction* open = bar->addAction(icon(Icon::open), tr("Open Model…"), &model_, &AppModel::openPanel);
  open->setObjectName("openModelAction");
  open->setToolTip(tr("Open an STL, 3MF or OBJ file (Ctrl+O)"));
  bar->widgetForAction(open)->setObjectName("openModelButton");

  play_ = bar->addAction(QString(), this, [this] {
    if (model_.playing()) {
      model_.stopPlaying();
    } else {
      model_.play();
    }
  });
  play_->setObjectName("playAction");
  play_->setToolTip(tr("Play the turntable in the preview (Ctrl+R)"));
  bar->widgetForAction(play_)->setObjectName("playButton");
  connect(&model_, &AppModel::playingChanged, this, &MainWindow::followPlaying);
  followPlaying();

  auto* menu = new QMenu(this);
  menu->setObjectName("exportMenu");
  menu->addAction(tr("Video (MP4)…"), &model_, &AppModel::exportVideo);
  menu->addAction(tr("GIF…"), &model_, &AppModel::exportGIF);
  menu->addAction(tr("Product Shots (PNG)…"), &model_, &AppModel::exportStills);
  menu->addSeparator();
  menu->addAction(tr("Everything to a Folder…"), &model_, &AppModel::exportEverything);
  menu->addSeparator();
  menu->addAction(tr("Batch Folder…"), &model_, &AppModel::chooseBatchFolder);
  auto* exportButton = new QToolButton(bar);
  exportButton->setObjectName("exportButton");
  exportButton->setText(tr("Export"));
  exportButton->setIcon(icon(Icon::share));
  exportButton->setToolTip(tr("Export the turntable video, a GIF or product shots"));
  exportButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  exportButton->setPopupMode(QToolButton::InstantPopup);
  exportButton->setMenu(menu);
  bar->addWidget(exportButton);
}

void MainWindow::followPlaying() {
  const bool playing = model_.playing();
  play_->setText(playing ? tr("Stop") : tr("Play"));
  play_->setIcon(icon(playing ? Icon::stop : Icon::play));
  // The label changes, the help text does not.
  play_->setToolTip(tr("Play the turntable in the preview (Ctrl+R)"));
}

void MainWindow::setDropTargeted(bool targeted) {
  if (dropTargeted_ == targeted) return;
  dropTargeted_ = targeted;
  dropOutline_->setGeometry(root_->rect());
  dropOutline_->setVisible(targeted);
  dropOutline_->raise();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (droppedFiles(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  setDropTargeted(true);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (droppedFiles(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void MainWindow::dragLeaveEvent(QDragLeaveEvent* event) {
  setDropTargeted(false);
  event->accept();
}

void MainWindow::dropEvent(QDropEvent* event) {
  setDropTargeted(false);
  const QList<QUrl> files = droppedFiles(event->mimeData());
  event->acceptProposedAction();
  if (!files.isEmpty()) model_.open(files);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  model_.save();
  QMainWindow::closeEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == root_ && event->type() == QEvent::Resize) dropOutline_->setGeometry(root_->rect());
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace vantorel::ui
