#include "video/picture_font.h"

#include <QStringList>

namespace sonavix {

namespace {
const char kProgramFamily[] = "MS Sans Serif";
}

void InstallFontStandIns() {
  QFont::insertSubstitutions(QString::fromLatin1(kProgramFamily),
                             {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}

QFont DefaultPictureFont() {
  InstallFontStandIns();
  QFont font(QString::fromLatin1(kProgramFamily));
  font.setPixelSize(11);
  return font;
}

}  // namespace sonavix
