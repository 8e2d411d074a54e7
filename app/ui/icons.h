#pragma once
// The window's icons: the desktop's own theme icon where the theme has one, a Qt style icon otherwise,
// so every icon shows on a bare window manager too.
#include <QIcon>

namespace vantorel::ui {

enum class Icon {
  open,        ///< a folder: open a model
  play,
  stop,
  share,       ///< the export menu
  warning,     ///< an error row, a model that wasn't read
  info,        ///< a notice row
  close,       ///< dismiss a message
  turntable,   ///< the empty state's picture
  ruler,       ///< the scale warning
  palette,     ///< an object coloured per triangle
  trash,       ///< delete a saved look
  search,      ///< looking for models
  done,        ///< a model exported in a batch
  privacy,     ///< the preferences' privacy pane
};

QIcon icon(Icon which);

/// Without a desktop session Qt knows no icon theme; picks one that is installed so the window's icons
/// aren't all style fallbacks. Call once, after the application object exists.
void chooseIconTheme();

/// The application's own icon, drawn from the SVG built into the program.
QIcon appIcon();

}  // namespace vantorel::ui
