#include "effects/sample_format_form.h"

namespace sonavix {

TSampleFormat::TSampleFormat(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SampleFormat"));
  setWindowTitle(QStringLiteral("Sampleformat ändern"));
}

}  // namespace sonavix
