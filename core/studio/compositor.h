#pragma once
// The look's background and the laying of a rendered model picture over it. The render and the
// exporter's frame loop both come through here, so every picture of one look has the same backdrop.
#include "staging/look.h"
#include "studio/canvas.h"

#include <optional>

namespace vantorel::Compositor {

/// A rectangle in pixels, from the top-left corner.
struct Rect {
  double x = 0, y = 0, width = 0, height = 0;
};

/// Paints `rect` of `cr` for `look.background`: the three-layer studio sweep in
/// `look.backgroundColor`, or a flat fill of it (for `solid`, and for `transparent` if asked).
/// Every scaled colour component is limited to 1.0; alpha is always 1.
void paintBackground(const Look& look, cairo_t* cr, Rect rect);

/// True when a picture for `look` gets a painted, opaque background.
inline bool isOpaque(const Look& look, bool background) {
  return background && look.background != BackgroundStyle::transparent;
}

/// The background alone as a width × height opaque image, or nothing when it cannot be made.
std::optional<Image> background(const Look& look, int width, int height);

/// Lays `picture` (premultiplied) over the look's background, or over nothing when the result is
/// not opaque (see isOpaque), stretched to exactly width × height. Nothing when a bitmap cannot be made.
std::optional<Image> compose(const Image& picture, int width, int height, const Look& look, bool background);

/// The same as compose for a picture already width × height, over a background made earlier by
/// `background` (or none for a transparent result); a plain per-pixel "over" in 8-bit, made in
/// the picture's own pixels.
Image composeOver(Image picture, const Image* background);

/// `look` with a transparent background replaced by solid opaque white; any other look unchanged.
Look opaqueLook(const Look& look);

}  // namespace vantorel::Compositor
