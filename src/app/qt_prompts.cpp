#include "app/qt_prompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QColorDialog>
#include <QFontDialog>
#include <QMessageBox>

#include "app/byte_name_dialog.h"

namespace sonavix {

namespace {

// "*.WAV" -> "*.[Ww][Aa][Vv]": file names on Linux are case-sensitive, but a
// ".wav" file must show under a "*.WAV" filter all the same.
QString CaseFreePattern(const QString& pattern) {
  QString out;
  for (const QChar c : pattern) {
    if (c.isLetter())
      out += QStringLiteral("[%1%2]").arg(c.toUpper(), c.toLower());
    else
      out += c;
  }
  return out;
}

QString NameFilter(const QString& description, const QStringList& patterns) {
  QStringList caseFree;
  for (const QString& p : patterns) caseFree << CaseFreePattern(p);
  return QStringLiteral("%1 (%2)").arg(description, caseFree.join(' '));
}

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogSpec& spec,
                                     QFileDialog::AcceptMode mode) {
  ByteNameFileDialog dialog(parent, spec.folder, spec.patterns);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  QStringList filters = {NameFilter(spec.filterDescription, spec.patterns)};
  QList<QStringList> patterns = {spec.patterns};
  for (const FileFilter& filter : spec.moreFilters) {
    filters << NameFilter(filter.description, filter.patterns);
    patterns << filter.patterns;
  }
  dialog.setNameFilters(filters);
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
    dialog.SetPatterns(patterns.value(filters.indexOf(chosen), spec.patterns));
  });
  dialog.setDefaultSuffix(spec.defaultSuffix);
  if (!spec.name.isEmpty()) dialog.selectFile(spec.name);
  if (dialog.exec() != QDialog::Accepted || dialog.Chosen().isEmpty()) return std::nullopt;
  return dialog.Chosen();
}

}  // namespace

QString SuggestedFileName(const QString& soundName, const QString& extension) {
  if (soundName.isEmpty()) return {};
  const int dot = soundName.lastIndexOf(QLatin1Char('.'));
  return (dot > 0 ? soundName.left(dot) : soundName) + extension;
}

std::optional<QString> QtPrompts::AskOpenFileName(QWidget* parent, const FileDialogSpec& spec) {
  return RunFileDialog(parent, spec, QFileDialog::AcceptOpen);
}

std::optional<QString> QtPrompts::AskSaveFileName(QWidget* parent, const FileDialogSpec& spec) {
  return RunFileDialog(parent, spec, QFileDialog::AcceptSave);
}

void QtPrompts::ShowError(QWidget* parent, const QString& text) {
  QMessageBox::critical(parent, QApplication::applicationName(), text);
}

void QtPrompts::ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                  parent);
  box.exec();
}

std::optional<QFont> QtPrompts::AskFont(QWidget* parent, const QFont& initial) {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, initial, parent);
  if (!ok) return std::nullopt;
  return font;
}

std::optional<QColor> QtPrompts::AskColour(QWidget* parent, const QColor& initial) {
  const QColor colour = QColorDialog::getColor(initial, parent, QStringLiteral("Textfarbe"));
  if (!colour.isValid()) return std::nullopt;
  return colour;
}

SaveChangesAnswer QtPrompts::AskSaveChanges(QWidget* parent, const QString& question) {
  QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), question,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save: return SaveChangesAnswer::Save;
    case QMessageBox::Discard: return SaveChangesAnswer::Discard;
    default: return SaveChangesAnswer::Cancel;
  }
}

int QtPrompts::RunModal(QDialog& dialog) { return dialog.exec(); }

}  // namespace sonavix
