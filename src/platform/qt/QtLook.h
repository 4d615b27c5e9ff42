#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

#include "platform/ui/Color.h"
#include "platform/ui/Font.h"

namespace fw {

// The Qt font for a design font. The designer's Windows faces map to the
// platform's faces of the same kind (sans, serif, fixed); a negative height
// is the character height in pixels. An empty name keeps `base`.
QFont qt_font(const Font& font, const QFont& base);

// The Qt colour for a colour value: system colours come from the palette
// (the menu and button face colour from Window and Button, the window colour
// from Base), plain RGB values are that colour.
QColor qt_color(TColor color, const QPalette& palette);

// The colour of a text area (edits, lists, the log): the palette's Base.
void apply_base_color(QWidget* widget, TColor color);
// The face of other controls and forms; the default face colour keeps the style's look.
void apply_face_color(QWidget* widget, TColor color);

}  // namespace fw
