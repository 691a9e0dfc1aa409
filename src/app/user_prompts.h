#pragma once
// The one seam through which command handlers ask the user something: file
// names, message boxes and modal dialogs. The program uses the standard Qt
// dialogs (qt_prompts); tests use a scripted back end (scripted_prompts).

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QWidget;

namespace sonavix {

struct FileFilter {
  QString description;  // "FLAC-Datei"
  QStringList patterns;
};

struct FileDialogSpec {
  QString folder;             // initial folder
  QString filterDescription;  // "WAV-Datei"
  QStringList patterns;       // "*.WAV"; matched without regard to case
  QString defaultSuffix;      // appended to a name typed without one
  QList<FileFilter> moreFilters = {};  // offered after the first
  QString name = {};                   // the file name suggested, without its folder
};

// The sound's name with `extension` in place of its own: "lied.flac",
// ".wav" -> "lied.wav"; empty while the sound has no name.
QString SuggestedFileName(const QString& soundName, const QString& extension);

// The answers to "save the changes first?".
enum class SaveChangesAnswer { Save, Discard, Cancel };

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;
  virtual std::optional<QString> AskOpenFileName(QWidget* parent, const FileDialogSpec& spec) = 0;
  // Asks before an existing file is overwritten.
  virtual std::optional<QString> AskSaveFileName(QWidget* parent, const FileDialogSpec& spec) = 0;
  // Message box with the error icon and the program's title.
  virtual void ShowError(QWidget* parent, const QString& text) = 0;
  // Message box with an OK button, no icon and the program's title.
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
  // The font dialog, starting at `initial`; empty when cancelled.
  virtual std::optional<QFont> AskFont(QWidget* parent, const QFont& initial) = 0;
  // The colour dialog, starting at `initial`; empty when cancelled.
  virtual std::optional<QColor> AskColour(QWidget* parent, const QColor& initial) = 0;
  // Asks whether unsaved changes are to be saved before they are discarded:
  // Speichern / Verwerfen / Abbrechen, with the warning icon.
  virtual SaveChangesAnswer AskSaveChanges(QWidget* parent, const QString& question) = 0;
  // Shows a dialog modally; returns its result (QDialog::Accepted or Rejected).
  virtual int RunModal(QDialog& dialog) = 0;
};

}  // namespace sonavix
