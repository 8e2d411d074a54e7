#pragma once
// Colours between the core's sRGB components and Qt's colour type.
#include "base/rgba.h"

#include <QColor>

namespace vantorel::ui {

inline QColor toQColor(const RGBA& c) { return QColor::fromRgbF(float(c.r), float(c.g), float(c.b), float(c.a)); }

/// An opaque colour from a colour dialog, read in sRGB as the looks store it.
inline RGBA toRGBA(const QColor& color) {
  const QColor rgb = color.toRgb();
  return {rgb.redF(), rgb.greenF(), rgb.blueF(), 1.0};
}

}  // namespace vantorel::ui
