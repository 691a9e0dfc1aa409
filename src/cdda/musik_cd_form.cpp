#include "cdda/musik_cd_form.h"

namespace sonavix {

TMusikCDForm::TMusikCDForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("MusikCDForm"));
  setWindowTitle(QStringLiteral("Lied von Musik-CD einlesen..."));
}

}  // namespace sonavix
