#include "app/qt_prompts.h"

#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "document/local_names.h"

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

QString NameFilter(const FileDialogSpec& spec) {
  QStringList patterns;
  for (const QString& p : spec.patterns) patterns << CaseFreePattern(p);
  return QStringLiteral("%1 (%2)").arg(spec.filterDescription, patterns.join(' '));
}

// Qt's dialog reads names as UTF-8: a file whose name has a byte that is
// none ("M\xe4dchen.wav") is listed with U+FFFD, and its own checks would
// not find it. A choice that stands for such a file is taken with the
// file's own bytes; everything else goes through the dialog's checks.
class NameKeepingFileDialog final : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

  QString Chosen() const { return chosen_.isEmpty() ? selectedFiles().value(0) : chosen_; }

  void accept() override {
    const QString shown = selectedFiles().value(0);
    const QString onDisk = NameOnDisk(shown);
    if (onDisk == shown) return QFileDialog::accept();
    const bool exists = ::access(LocalPath(onDisk).c_str(), F_OK) == 0;
    if (acceptMode() == AcceptOpen && !exists) return QFileDialog::accept();
    if (acceptMode() == AcceptSave && exists &&
        QMessageBox::warning(this, windowTitle(),
                             tr("%1 already exists.\nDo you want to replace it?").arg(DisplayName(QFileInfo(onDisk).fileName())),
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
      return;
    chosen_ = onDisk;
    QDialog::accept();
  }

 private:
  QString chosen_;
};

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogSpec& spec,
                                     QFileDialog::AcceptMode mode) {
  NameKeepingFileDialog dialog(parent, QString(), spec.folder);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(NameFilter(spec));
  dialog.setDefaultSuffix(spec.defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.Chosen().isEmpty()) return std::nullopt;
  return dialog.Chosen();
}

}  // namespace

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
