#include "ui/empty_state.h"

#include "input/sample_models.h"
#include "model/app_model.h"
#include "ui/icons.h"
#include "ui/notes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantorel::ui {

EmptyState::EmptyState(AppModel& model, QWidget* parent) : QWidget(parent) {
  setObjectName("emptyState");
  auto* column = new QVBoxLayout(this);
  column->setSpacing(10);
  column->addStretch(1);

  auto* picture = new QLabel(this);
  picture->setObjectName("emptyStateIcon");
  // A silhouette in the accent colour: the theme's own colours would fight the window's accent.
  QPixmap glyph = icon(Icon::turntable).pixmap(56, 56);
  {
    QPainter painter(&glyph);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(glyph.rect(), palette().color(QPalette::Highlight));
  }
  picture->setPixmap(glyph);
  picture->setAlignment(Qt::AlignCenter);
  column->addWidget(picture);

  auto* title = new QLabel(tr("Drop an STL, 3MF or OBJ file"), this);
  title->setObjectName("emptyStateTitle");
  QFont titleFont = title->font();
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
  titleFont.setBold(true);
  title->setFont(titleFont);
  title->setAlignment(Qt::AlignCenter);
  column->addWidget(title);

  auto* text = new QLabel(
      tr("Get a turntable video, a GIF and product shots for your listing.\nMillimeters are assumed for STL and OBJ."),
      this);
  text->setTextFormat(Qt::PlainText);
  text->setAlignment(Qt::AlignCenter);
  column->addWidget(text);

  QLabel* folders = makeNote(tr("Drop a folder to do a whole batch."), this);
  folders->setAlignment(Qt::AlignCenter);
  column->addWidget(folders);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(10);
  buttons->addStretch(1);
  auto* open = new QPushButton(tr("Open Model…"), this);
  open->setObjectName("emptyStateOpenButton");
  open->setDefault(true);
  connect(open, &QPushButton::clicked, &model, &AppModel::openPanel);
  buttons->addWidget(open);

  auto* samples = new QPushButton(tr("Try a Sample"), this);
  samples->setObjectName("trySampleButton");
  auto* menu = new QMenu(samples);
  menu->setObjectName("trySampleMenu");
  // Built when chosen, not up front: a sample is a few thousand triangles made in code.
  connect(menu->addAction(tr("Twisted Vase")), &QAction::triggered, &model,
          [&model] { model.loadSample(SampleModels::twistedVase()); });
  connect(menu->addAction(tr("Planter and Saucer (two colors)")), &QAction::triggered, &model,
          [&model] { model.loadSample(SampleModels::planterAndSaucer()); });
  samples->setMenu(menu);
  buttons->addWidget(samples);
  buttons->addStretch(1);
  column->addLayout(buttons);

  column->addStretch(1);
}

}  // namespace vantorel::ui
