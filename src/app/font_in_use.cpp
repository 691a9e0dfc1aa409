#include "app/font_in_use.h"

#include <QFontInfo>
#include <QLocale>

namespace sonavix {

QFont FontInUse(const QFont& requested) {
  const QFontInfo info(requested);
  QFont font(info.family());
  font.setStyleName(info.styleName());
  font.setWeight(static_cast<QFont::Weight>(info.weight()));
  font.setItalic(info.italic());
  font.setPointSizeF(info.pointSizeF());
  return font;
}

QString FontInUseText(const QFont& requested) {
  const QFont used = FontInUse(requested);
  QString text = QStringLiteral("Schrift des Bildes: %1, %2 pt")
                     .arg(used.family(), QLocale(QLocale::German).toString(used.pointSizeF(), 'g', 3));
  if (used.family().compare(requested.family(), Qt::CaseInsensitive) != 0)
    text += QStringLiteral(" (statt „%1“)").arg(requested.family());
  return text;
}

bool SameDialogChoice(const QFont& answer, const QFont& shown) {
  const QFontInfo a(answer);
  const QFontInfo b(shown);
  return a.family().compare(b.family(), Qt::CaseInsensitive) == 0 && a.styleName() == b.styleName() &&
         a.bold() == b.bold() && a.italic() == b.italic() && a.pointSize() == b.pointSize();
}

}  // namespace sonavix
