#pragma once
// The font the picture's text line starts with, in the window and in a
// render alike: "MS Sans Serif" at 11 pixels. Machines here do not have that
// family; it is drawn in a metric-compatible stand-in, the same one the
// window's own font gets, so a render draws exactly what the window draws.

#include <QFont>

namespace sonavix {

// Makes "MS Sans Serif" stand for Liberation Sans, else DejaVu Sans. Safe to
// call more than once.
void InstallFontStandIns();

// "MS Sans Serif" at 11 pixels, with its stand-ins installed.
QFont DefaultPictureFont();

}  // namespace sonavix
