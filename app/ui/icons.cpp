#include "ui/icons.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

namespace vantorel::ui {
namespace {

struct IconSource {
  const char* themeNames;  ///< comma-separated freedesktop names, most specific first
  QStyle::StandardPixmap fallback;
};

IconSource sourceOf(Icon which) {
  switch (which) {
    case Icon::open: return {"document-open,folder-open,folder", QStyle::SP_DialogOpenButton};
    case Icon::play: return {"media-playback-start", QStyle::SP_MediaPlay};
    case Icon::stop: return {"media-playback-pause,media-playback-stop", QStyle::SP_MediaPause};
    case Icon::share: return {"document-export,document-send,document-save-as", QStyle::SP_DialogSaveButton};
    case Icon::warning: return {"dialog-warning", QStyle::SP_MessageBoxWarning};
    case Icon::info: return {"dialog-information", QStyle::SP_MessageBoxInformation};
    case Icon::close: return {"window-close,edit-clear", QStyle::SP_DialogCloseButton};
    case Icon::turntable: return {"object-rotate-right,view-refresh", QStyle::SP_BrowserReload};
    case Icon::ruler: return {"measure,zoom-fit-best", QStyle::SP_MessageBoxWarning};
    case Icon::palette: return {"preferences-desktop-color,applications-graphics,color-select", QStyle::SP_DesktopIcon};
    case Icon::trash: return {"user-trash,edit-delete", QStyle::SP_TrashIcon};
    case Icon::search: return {"edit-find,system-search", QStyle::SP_FileDialogContentsView};
    case Icon::done: return {"emblem-ok-symbolic,object-select,emblem-default", QStyle::SP_DialogApplyButton};
    case Icon::privacy: return {"security-high,preferences-system-privacy,changes-prevent", QStyle::SP_MessageBoxInformation};
  }
  return {"", QStyle::SP_CustomBase};
}

}  // namespace

QIcon icon(Icon which) {
  const IconSource source = sourceOf(which);
  for (const QString& name : QString::fromLatin1(source.themeNames).split(u',')) {
    if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  }
  return QApplication::style()->standardIcon(source.fallback);
}

void chooseIconTheme() {
  if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QStringLiteral("hicolor")) return;
  for (const QString& theme : {QStringLiteral("Adwaita"), QStringLiteral("breeze"), QStringLiteral("Papirus")}) {
    for (const QString& root : QIcon::themeSearchPaths()) {
      if (QFileInfo::exists(root + u'/' + theme + QStringLiteral("/index.theme"))) {
        QIcon::setThemeName(theme);
        return;
      }
    }
  }
  QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

QIcon appIcon() {
  return QIcon(QStringLiteral(":/vantorel/vantorel.svg"));
}

}  // namespace vantorel::ui
