#pragma once
// The small secondary texts under controls, shared by the sidebar, the inspector and the sheets.
#include <QLabel>
#include <QString>

namespace vantorel::ui {

/// Small, secondary, wrapping text.
QLabel* makeNote(const QString& text, QWidget* parent = nullptr);

/// A section title in a form.
QLabel* makeSectionTitle(const QString& text, QWidget* parent = nullptr);

}  // namespace vantorel::ui
