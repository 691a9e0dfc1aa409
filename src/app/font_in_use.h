#pragma once
// The font the system really draws with for a requested one. A family the
// machine does not have ("MS Sans Serif") is drawn in a stand-in; a font
// dialog started on the request would not find it and fall back to the
// first font of its list, so it is started on the stand-in instead.

#include <QFont>
#include <QString>

namespace sonavix {

// The substituted family, its style and its size in points.
QFont FontInUse(const QFont& requested);

// "Schrift des Bildes: DejaVu Sans, 8 pt", and "(statt „MS Sans Serif“)"
// after it when the requested family is drawn in a stand-in.
QString FontInUseText(const QFont& requested);

// Whether a font dialog's answer is what it was started on: the same
// family, style and size in whole points (the dialog's own steps).
bool SameDialogChoice(const QFont& answer, const QFont& shown);

}  // namespace sonavix
