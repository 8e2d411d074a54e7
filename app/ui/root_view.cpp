#include "ui/root_view.h"

#include "ui/look_and_output_pane.h"
#include "ui/message_bar.h"
#include "ui/model_sidebar.h"
#include "ui/preview_area.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace vantorel::ui {
namespace {

QFrame* makeDivider(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Plain);
  line->setFixedWidth(1);
  line->setForegroundRole(QPalette::Mid);
  return line;
}

}  // namespace

RootView::RootView(AppModel& model, QWidget* parent)
    : QWidget(parent),
      sidebar_(new ModelSidebar(model, this)),
      messageBar_(new MessageBar(model, this)),
      previewArea_(new PreviewArea(model, this)),
      inspector_(new Inspector(model, this)) {
  setObjectName("rootView");
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);

  sidebar_->setFixedWidth(kSidebarWidth);
  row->addWidget(sidebar_);
  row->addWidget(makeDivider(this));

  auto* centre = new QVBoxLayout;
  centre->setContentsMargins(0, 0, 0, 0);
  centre->setSpacing(0);
  centre->addWidget(messageBar_);
  centre->addWidget(previewArea_, 1);
  row->addLayout(centre, 1);

  row->addWidget(makeDivider(this));
  inspector_->setFixedWidth(kInspectorWidth);
  row->addWidget(inspector_);
}

}  // namespace vantorel::ui
