#pragma once
// What `vantorel` was asked to open at start: a sample, files and folders, or its usage text.
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <string>

namespace vantorel::ui {

struct LaunchRequest {
  std::optional<std::string> sample;  ///< a sample identifier ("vase", "planter")
  QList<QUrl> files;                  ///< files and folders, absolute, in the order given
  bool help = false;
  QString error;  ///< what was wrong with the arguments; empty when they were fine
};

/// Reads the arguments after the program's name; relative paths are taken from `workingFolder`.
LaunchRequest parseArguments(const QStringList& arguments, const QString& workingFolder);

/// The text `--help` prints.
QString usageText();

}  // namespace vantorel::ui
