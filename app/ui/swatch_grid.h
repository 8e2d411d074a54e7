#pragma once
// The colour controls the look and scene forms share: a grid of round swatches and a button that
// shows a colour and opens the colour dialog.
#include "base/rgba.h"

#include <QPushButton>
#include <QString>
#include <QWidget>

#include <vector>

class QGridLayout;

namespace vantorel::ui {

class SwatchButton;

struct Swatch {
  QString name;  ///< shown as help text and read out by screen readers
  RGBA color;
};

/// Fixed columns of round swatch buttons; the one equal to the current colour is outlined in the
/// accent colour.
class SwatchGrid : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kColumns = 8, kCell = 26, kGap = 6, kDiameter = 24;

  explicit SwatchGrid(std::vector<Swatch> swatches, QWidget* parent = nullptr);
  void setCurrent(const RGBA& color);

 signals:
  void picked(const vantorel::RGBA& color);

 private:
  std::vector<Swatch> swatches_;
  std::vector<SwatchButton*> buttons_;
};

/// A button showing a colour; pressing it opens the colour dialog without opacity and reports the
/// chosen colour in sRGB.
class ColorButton : public QPushButton {
  Q_OBJECT
 public:
  explicit ColorButton(const QString& dialogTitle, QWidget* parent = nullptr);
  void setColor(const RGBA& color);
  const RGBA& color() const { return color_; }

 signals:
  void picked(const vantorel::RGBA& color);

 private:
  void openDialog();

  QString dialogTitle_;
  RGBA color_;
};

}  // namespace vantorel::ui
