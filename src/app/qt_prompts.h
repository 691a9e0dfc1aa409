#pragma once
// The standard Qt dialogs: file dialogs, message boxes, exec() of a dialog.

#include "app/user_prompts.h"

namespace sonavix {

class QtPrompts final : public UserPrompts {
 public:
  std::optional<QString> AskOpenFileName(QWidget* parent, const FileDialogSpec& spec) override;
  std::optional<QString> AskSaveFileName(QWidget* parent, const FileDialogSpec& spec) override;
  void ShowError(QWidget* parent, const QString& text) override;
  void ShowMessage(QWidget* parent, const QString& text) override;
  std::optional<QFont> AskFont(QWidget* parent, const QFont& initial) override;
  std::optional<QColor> AskColour(QWidget* parent, const QColor& initial) override;
  SaveChangesAnswer AskSaveChanges(QWidget* parent, const QString& question) override;
  int RunModal(QDialog& dialog) override;
};

}  // namespace sonavix
