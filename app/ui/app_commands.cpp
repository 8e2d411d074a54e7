#include "ui/app_commands.h"

#include "ui/icons.h"
#include "ui/settings_view.h"

#include "input/sample_models.h"
#include "model/app_model.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QUrl>

#include <map>

namespace vantorel::ui {

struct AppCommands::Command {
  const char* menu;   ///< the menu's title with its mnemonic; "File/Samples" for a submenu
  const char* title;  ///< nothing for a separator
  const char* name;   ///< the action's objectName
  QKeySequence shortcut;
  void (*run)(AppCommands&);
};

const std::vector<AppCommands::Command>& AppCommands::commands() {
  using C = AppCommands;
  static const std::vector<Command> table = {
      {"&File", "Open Model…", "openModelAction", QKeySequence(Qt::CTRL | Qt::Key_O), [](C& c) { c.model_.openPanel(); }},
      {"&File", "Batch Folder…", "batchFolderAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B),
       [](C& c) { c.model_.chooseBatchFolder(); }},
      {"&File/Samples", "Twisted Vase", "sampleVaseAction", {},
       [](C& c) { c.model_.loadSample(SampleModels::twistedVase()); }},
      {"&File/Samples", "Planter and Saucer (two colors)", "samplePlanterAction", {},
       [](C& c) { c.model_.loadSample(SampleModels::planterAndSaucer()); }},
      {"&File", nullptr, nullptr, {}, nullptr},
      {"&File", "Export Video…", "exportVideoAction", QKeySequence(Qt::CTRL | Qt::Key_E),
       [](C& c) { c.model_.exportVideo(); }},
      {"&File", "Export GIF…", "exportGIFAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G),
       [](C& c) { c.model_.exportGIF(); }},
      {"&File", "Export Product Shots…", "exportStillsAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E),
       [](C& c) { c.model_.exportStills(); }},
      {"&File", "Export Everything to a Folder…", "exportEverythingAction",
       QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E), [](C& c) { c.model_.exportEverything(); }},
      {"&File", nullptr, nullptr, {}, nullptr},
      // Linux desktops keep the application's settings and quitting in its first menu.
      {"&File", "Preferences…", "preferencesAction", QKeySequence(Qt::CTRL | Qt::Key_Comma),
       [](C& c) { c.showPreferences(); }},
      {"&File", "Quit", "quitAction", QKeySequence(Qt::CTRL | Qt::Key_Q),
       [](C& c) { c.window_->window()->close(); }},
      {"&Turntable", "Play Turntable", "playAction", QKeySequence(Qt::CTRL | Qt::Key_R),
       [](C& c) { c.model_.togglePlay(); }},
      {"&Turntable", "Turn Left 15°", "turnLeftAction", QKeySequence(Qt::CTRL | Qt::Key_Left),
       [](C& c) { c.model_.turn(-15); }},
      {"&Turntable", "Turn Right 15°", "turnRightAction", QKeySequence(Qt::CTRL | Qt::Key_Right),
       [](C& c) { c.model_.turn(15); }},
      {"&Turntable", "Back to the Start", "backToStartAction", QKeySequence(Qt::CTRL | Qt::Key_0),
       [](C& c) { c.model_.backToStart(); }},
      {"&Help", "Vantorel Help", "helpAction", {},
       [](C&) { QDesktopServices::openUrl(QUrl(QStringLiteral("https://vantorel.app/help"))); }},
      {"&Help", "About Vantorel", "aboutAction", {}, [](C& c) { c.showAbout(); }},
  };
  return table;
}

AppCommands::AppCommands(AppModel& model, QWidget* window) : QObject(window), model_(model), window_(window) {}

void AppCommands::addMenus(QMenuBar* bar) {
  std::map<QString, QMenu*> menus;
  for (const Command& command : commands()) {
    const QString path = QString::fromUtf8(command.menu);
    QMenu*& menu = menus[path];
    if (!menu) {
      const qsizetype slash = path.lastIndexOf(u'/');
      menu = slash < 0 ? bar->addMenu(path) : menus.at(path.left(slash))->addMenu(path.mid(slash + 1));
      menu->setObjectName(path.mid(slash + 1).remove(u'&').toLower() + QStringLiteral("Menu"));
    }
    if (!command.title) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(tr(command.title));
    action->setObjectName(QString::fromLatin1(command.name));
    // Window-wide through the menu bar; only a text field keeps Ctrl+arrows, to move by word.
    action->setShortcut(command.shortcut);
    connect(action, &QAction::triggered, this, [this, run = command.run] { run(*this); });
    if (action->objectName() == QStringLiteral("playAction")) play_ = action;
  }
  connect(&model_, &AppModel::playingChanged, this, &AppCommands::followPlaying);
  followPlaying();
}

void AppCommands::followPlaying() {
  if (!play_) return;
  const bool playing = model_.playing();
  play_->setText(playing ? tr("Stop Turning") : tr("Play Turntable"));
  play_->setIcon(icon(playing ? Icon::stop : Icon::play));
}

void AppCommands::showPreferences() {
  if (!settings_) settings_ = new SettingsView(window_);
  settings_->show();
  settings_->raise();
  settings_->activateWindow();
}

void AppCommands::showAbout() {
  if (about_) {
    about_->raise();
    about_->activateWindow();
    return;
  }
  const QString credits =
      tr("Turntable videos (MP4 and GIF) and clean product shots from STL, 3MF and OBJ files, for listings and model "
         "pages: filament looks, studio backgrounds, soft shadows, a scale reference, and batches of models. Vantorel "
         "draws previews of a model; it doesn't make models, and a render isn't a photo of your print.");
  const QString privacy = tr(
      "Privacy: your models stay on this computer. Vantorel never goes online: there is no update check and nothing "
      "is collected.");
  // The credits in the small system font, as desktops set an about box's fine print.
  const double small = QApplication::font().pointSizeF() * 0.85;
  const QString html = QStringLiteral("<div style=\"font-size:%1pt\"><p>%2</p><p>%3</p></div>")
                           .arg(small, 0, 'f', 1)
                           .arg(credits.toHtmlEscaped(), privacy.toHtmlEscaped());
  auto* box = new QMessageBox(window_);
  box->setObjectName(QStringLiteral("aboutBox"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowTitle(tr("About Vantorel"));
  box->setIconPixmap(appIcon().pixmap(96, 96));
  box->setTextFormat(Qt::RichText);
  box->setText(QStringLiteral("<h2>Vantorel</h2>") + html);
  box->setStandardButtons(QMessageBox::Ok);
  about_ = box;
  box->open();
}

}  // namespace vantorel::ui
