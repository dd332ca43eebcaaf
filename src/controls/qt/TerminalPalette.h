#pragma once

#include <QColor>

#include "terminal/TextStyle.h"

// The colours the host names in its SGR sequences, as the views draw them.
// The 16 standard colours are toned to stay readable on the views' light
// background (yellow and white text would vanish otherwise); the 256-colour
// cube, the grey ramp and 24-bit colours are taken as they are.
namespace TerminalPalette {

// A style colour as a QColor; `fallback` for the view's default.
QColor color(quint32 styleColor, const QColor& fallback);

}  // namespace TerminalPalette
