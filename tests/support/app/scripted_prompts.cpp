#include "app/scripted_prompts.h"

#include <QDialog>

namespace sonavix {

std::optional<QString> ScriptedPrompts::NextFileName(const FileDialogSpec& spec) {
  fileDialogs.push_back(spec);
  if (fileNames.empty()) return std::nullopt;
  std::optional<QString> name = fileNames.front();
  fileNames.pop_front();
  return name;
}

std::optional<QString> ScriptedPrompts::AskOpenFileName(QWidget*, const FileDialogSpec& spec) {
  return NextFileName(spec);
}

std::optional<QString> ScriptedPrompts::AskSaveFileName(QWidget*, const FileDialogSpec& spec) {
  return NextFileName(spec);
}

void ScriptedPrompts::ShowError(QWidget*, const QString& text) { errors << text; }

void ScriptedPrompts::ShowMessage(QWidget*, const QString& text) { messages << text; }

std::optional<QFont> ScriptedPrompts::AskFont(QWidget*, const QFont& initial) {
  fontDialogs.push_back(initial);
  if (fonts.empty()) return std::nullopt;
  std::optional<QFont> font = fonts.front();
  fonts.pop_front();
  return font;
}

std::optional<QColor> ScriptedPrompts::AskColour(QWidget*, const QColor&) {
  if (colours.empty()) return std::nullopt;
  std::optional<QColor> colour = colours.front();
  colours.pop_front();
  return colour;
}

SaveChangesAnswer ScriptedPrompts::AskSaveChanges(QWidget*, const QString& question) {
  saveQuestions << question;
  if (saveChanges.empty()) return SaveChangesAnswer::Cancel;
  const SaveChangesAnswer answer = saveChanges.front();
  saveChanges.pop_front();
  return answer;
}

int ScriptedPrompts::RunModal(QDialog& dialog) {
  dialogTitles << dialog.windowTitle();
  if (dialogs.empty()) return QDialog::Accepted;
  auto answer = std::move(dialogs.front());
  dialogs.pop_front();
  return answer(dialog);
}

}  // namespace sonavix
