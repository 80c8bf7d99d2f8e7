#pragma once
// The product's own bitmaps, addressed by the resource numbers the dialogs use (e.g. 192,
// 193, 194: the Exit button's normal, hover and pressed images). Each is painted from a
// vector glyph on a rounded key so that every state reads clearly at any pixel density.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace controls {

enum class BitmapState { Normal, Hover, Pressed };

// Image of bitmap resource `id` at `size` device-independent pixels; a null pixmap when the
// id is unknown (callers then fall back to the normal image).
QPixmap bitmap(int id, int size = 32);

// A key image for glyph `glyph` (":/icons/<glyph>.svg") in `accent`, in the given state.
QPixmap keyImage(const QString& glyph, const QColor& accent, BitmapState state, int size = 32);

// The main icon (resource 128) and the glyph of an icon group box (any size).
QIcon mainIcon();
QPixmap glyph(const QString& name, int size, const QColor& color = Qt::white);

}  // namespace controls
