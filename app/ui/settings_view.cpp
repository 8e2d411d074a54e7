#include "ui/settings_view.h"

#include "ui/icons.h"

#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vantorel::ui {

PrivacyTab::PrivacyTab(QWidget* parent) : QWidget(parent) {
  auto* column = new QWidget;
  auto* paragraphs = new QVBoxLayout(column);
  paragraphs->setContentsMargins(20, 20, 20, 20);
  paragraphs->setSpacing(12);
  for (const QString& text :
       {tr("Your models stay on this computer. Vantorel reads the files you open or drop, draws them on this "
           "computer, and writes only where you choose to save. It never changes your model files. Nothing is "
           "collected."),
        tr("Vantorel never goes online: there is no update check and nothing is collected.")}) {
    auto* paragraph = new QLabel(text, column);
    paragraph->setWordWrap(true);
    paragraph->setTextFormat(Qt::PlainText);
    paragraph->setTextInteractionFlags(Qt::TextSelectableByMouse);
    paragraphs->addWidget(paragraph);
  }
  paragraphs->addStretch();

  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("privacyScroll"));
  scroll->setWidget(column);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The pane's own colour, not the scroll area's base, so the text sits on the tab like a page.
  scroll->viewport()->setAutoFillBackground(false);
  column->setAutoFillBackground(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll);
}

SettingsView::SettingsView(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("settingsView"));
  setWindowTitle(tr("Preferences"));
  resize(560, 460);
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("settingsTabs"));
  tabs->setDocumentMode(true);
  tabs->addTab(new PrivacyTab, icon(Icon::privacy), tr("Privacy"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs);
}

}  // namespace vantorel::ui
