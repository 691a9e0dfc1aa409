#pragma once
// Answers the user's part from a script and records what the program showed,
// so that tests drive the command handlers without a person at the screen.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

#include "app/user_prompts.h"

namespace sonavix {

class ScriptedPrompts final : public UserPrompts {
 public:
  // Answers for the next file dialogs, in order; std::nullopt means "Abbrechen".
  std::deque<std::optional<QString>> fileNames;
  // Answers for the next font dialogs; std::nullopt (or none left) cancels.
  std::deque<std::optional<QFont>> fonts;
  std::deque<std::optional<QColor>> colours;
  // What happens to the next modal dialogs; an empty queue accepts them.
  std::deque<std::function<int(QDialog&)>> dialogs;

  // Answers to the next "save changes?" questions; none left cancels.
  std::deque<SaveChangesAnswer> saveChanges;

  // Everything shown, in order.
  QStringList errors;
  QStringList messages;
  QStringList dialogTitles;
  QStringList saveQuestions;
  std::vector<QFont> fontDialogs;  // the font each font dialog started with
  std::vector<FileDialogSpec> fileDialogs;

  std::optional<QString> AskOpenFileName(QWidget* parent, const FileDialogSpec& spec) override;
  std::optional<QString> AskSaveFileName(QWidget* parent, const FileDialogSpec& spec) override;
  void ShowError(QWidget* parent, const QString& text) override;
  void ShowMessage(QWidget* parent, const QString& text) override;
  std::optional<QFont> AskFont(QWidget* parent, const QFont& initial) override;
  std::optional<QColor> AskColour(QWidget* parent, const QColor& initial) override;
  SaveChangesAnswer AskSaveChanges(QWidget* parent, const QString& question) override;
  int RunModal(QDialog& dialog) override;

 private:
  std::optional<QString> NextFileName(const FileDialogSpec& spec);
};

}  // namespace sonavix
