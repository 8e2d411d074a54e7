#include "ui/command_line.h"

#include "input/sample_models.h"

#include <QDir>

namespace vantorel::ui {
namespace {

QString sampleIds() {
  QStringList ids;
  for (std::string_view id : SampleModels::ids()) ids << QString::fromUtf8(id.data(), qsizetype(id.size()));
  return ids.join(QStringLiteral(", "));
}

QUrl urlOf(const QString& argument, const QDir& working) {
  // The desktop may hand over URLs (%U) as well as paths (%F).
  if (argument.startsWith(QStringLiteral("file:"))) return QUrl(argument);
  return QUrl::fromLocalFile(QDir::cleanPath(working.absoluteFilePath(argument)));
}

}  // namespace

LaunchRequest parseArguments(const QStringList& arguments, const QString& workingFolder) {
  LaunchRequest request;
  const QDir working(workingFolder);
  bool options = true;
  for (qsizetype i = 0; i < arguments.size() && request.error.isEmpty(); ++i) {
    const QString& argument = arguments[i];
    if (!options || !argument.startsWith(u'-') || argument == QStringLiteral("-")) {
      request.files << urlOf(argument, working);
    } else if (argument == QStringLiteral("--")) {
      options = false;
    } else if (argument == QStringLiteral("-h") || argument == QStringLiteral("--help")) {
      request.help = true;
    } else if (argument == QStringLiteral("--sample") || argument.startsWith(QStringLiteral("--sample="))) {
      QString id = argument.section(u'=', 1);
      if (!argument.contains(u'=')) {
        if (i + 1 == arguments.size()) {
          request.error = QStringLiteral("--sample needs a name: ") + sampleIds() + QStringLiteral(".");
          break;
        }
        id = arguments[++i];
      }
      if (!SampleModels::nameOf(id.toStdString()))
        request.error = QStringLiteral("There is no sample named “") + id + QStringLiteral("”; try ") + sampleIds() +
                        QStringLiteral(".");
      else
        request.sample = id.toStdString();
    } else {
      request.error = QStringLiteral("Unknown option ") + argument + QStringLiteral(".");
    }
  }
  return request;
}

QString usageText() {
  return QStringLiteral(
             "Usage: vantorel [--sample NAME] [FILES…]\n"
             "Turntable videos, GIFs and product shots from STL, 3MF and OBJ files.\n"
             "\n"
             "  FILES          a model file to open; with several, the first is opened; a folder opens a batch\n"
             "  --sample NAME  show a built-in model: ") +
         sampleIds() +
         QStringLiteral(
             "\n"
             "  -h, --help     print this text\n");
}

}  // namespace vantorel::ui
