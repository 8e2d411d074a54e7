#include "ui/desktop_panels.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QStandardPaths>

namespace vantorel::ui {
namespace {

QString startFolder(const QString& last) {
  return last.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::HomeLocation) : last;
}

/// Window titles get cut short, so the widget-based dialog shows the whole prompt under its file list
/// as well; a native dialog has only its title.
void addPrompt(QFileDialog& dialog, const QString& prompt) {
  dialog.setWindowTitle(prompt);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    auto* label = new QLabel(prompt, &dialog);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
  }
}

}  // namespace

QList<QUrl> DesktopPanels::openModelFiles() {
  QFileDialog dialog(window_, QObject::tr("Choose an STL, 3MF or OBJ file."), startFolder(lastFolder_));
  dialog.setObjectName(QStringLiteral("openModelDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilters({QObject::tr("STL, 3MF or OBJ models (*.stl *.3mf *.obj *.STL *.3MF *.OBJ)"),
                         QObject::tr("All files (*)")});
  // Both cases of each pattern, for dialogs that match case-sensitively; the list would only clutter.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  if (dialog.exec() != QDialog::Accepted) return {};
  lastFolder_ = dialog.directory().absolutePath();
  return dialog.selectedUrls();
}

std::optional<QUrl> DesktopPanels::saveFile(const QString& suggestedName, const QString& extension,
                                            const QString& message) {
  QFileDialog dialog(window_);
  dialog.setObjectName(QStringLiteral("saveFileDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDirectory(startFolder(lastFolder_));
  dialog.selectFile(suggestedName);
  dialog.setDefaultSuffix(extension);
  dialog.setNameFilter(extension.toUpper() + QStringLiteral(" (*.") + extension + QStringLiteral(")"));
  // The export never replaces a file: it reports one that exists, so asking to replace it would mislead.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  addPrompt(dialog, message.isEmpty() ? QObject::tr("Save") : message);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedUrls().isEmpty()) return std::nullopt;
  lastFolder_ = dialog.directory().absolutePath();
  return dialog.selectedUrls().first();
}

std::optional<QUrl> DesktopPanels::chooseFolder(const QString& prompt, const QString& acceptLabel) {
  QFileDialog dialog(window_);
  dialog.setObjectName(QStringLiteral("chooseFolderDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setDirectory(startFolder(lastFolder_));
  if (!acceptLabel.isEmpty()) dialog.setLabelText(QFileDialog::Accept, acceptLabel);
  addPrompt(dialog, prompt);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedUrls().isEmpty()) return std::nullopt;
  const QUrl folder = dialog.selectedUrls().first();
  lastFolder_ = folder.toLocalFile();
  return folder;
}

QUrl DesktopPanels::commonFolder(const QList<QUrl>& files) {
  QString common;
  for (const QUrl& file : files) {
    const QString folder = QFileInfo(file.toLocalFile()).absolutePath();
    if (common.isEmpty()) {
      common = folder;
      continue;
    }
    while (common != QStringLiteral("/") && folder != common && !folder.startsWith(common + u'/'))
      common = QFileInfo(common).absolutePath();
  }
  return QUrl::fromLocalFile(common);
}

void DesktopPanels::showInFolder(const QList<QUrl>& files) {
  if (files.isEmpty()) return;
  const QUrl folder = commonFolder(files);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    QDesktopServices::openUrl(folder);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  QStringList uris;
  for (const QUrl& file : files) uris << file.toString(QUrl::FullyEncoded);
  call << uris << QString();
  // Asked without waiting: a file manager started on demand may take a while, and without one the
  // folder opens in whatever the desktop opens folders with.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 10000), QCoreApplication::instance());
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [folder](QDBusPendingCallWatcher* done) {
    if (done->isError()) QDesktopServices::openUrl(folder);
    done->deleteLater();
  });
}

}  // namespace vantorel::ui
