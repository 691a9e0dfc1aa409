#include "effects/echo_form.h"

namespace sonavix {

TEchoForm::TEchoForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("EchoForm"));
  setWindowTitle(QStringLiteral("Effekt"));
}

}  // namespace sonavix
