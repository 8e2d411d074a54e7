#pragma once
// The file panels and the file manager behind one small interface: the desktop application implements
// it with real dialogs and the file manager, tests script it.
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace vantorel {

class Panels {
public:
  virtual ~Panels() = default;

  /// Model files to open (STL, 3MF, OBJ; more than one allowed); empty when cancelled.
  virtual QList<QUrl> openModelFiles() = 0;

  /// Where to save one export file, starting from `suggestedName` with `extension` ("mp4", "gif",
  /// "png"); `message` says what is saved (the panel's title); nothing when cancelled.
  virtual std::optional<QUrl> saveFile(const QString& suggestedName, const QString& extension,
                                       const QString& message = {}) = 0;

  /// A folder (for the product shots or a batch); `prompt` is the panel's title text and `acceptLabel`
  /// its confirming button, the panel's own when empty (choosing a batch to read); nothing when
  /// cancelled.
  virtual std::optional<QUrl> chooseFolder(const QString& prompt, const QString& acceptLabel = QStringLiteral("Save Here")) = 0;

  /// Shows `files` in the file manager, selected where it can.
  virtual void showInFolder(const QList<QUrl>& files) = 0;
};

}  // namespace vantorel
