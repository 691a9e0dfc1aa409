// Undo and redo, the window's title with the sound's name, and the question
// before unsaved changes would be lost.

#include <QAction>
#include <QSignalBlocker>
#include <QScrollBar>

#include "app/main_form.h"
#include "app/paint_box.h"
#include "app/status_texts.h"
#include "app/user_prompts.h"
#include "app/zoom_spin_edit.h"
#include "view/zoom.h"

namespace sonavix {

namespace {

QString Caption(const char* name) { return QString::fromUtf8(name); }

}  // namespace

ViewState TMainForm::CurrentView() const { return {double(ZoomOutEd->Value()), RxSlider1->value()}; }

void TMainForm::ShowView(const ViewState& view) {
  ZoomOutEd->SetValue(view.zoom);
  {
    // The sound's length may have changed with the zoom staying put.
    const QSignalBlocker quiet(RxSlider1);
    RxSlider1->setMaximum(ScrollMaximum(doc_.SampleCount(), ViewWidth(), Zoom()));
    RxSlider1->setValue(view.scroll);
  }
  PaintBox1Paint();
}

bool TMainForm::Edit(EditCommand command, const EditArguments& arguments) {
  // However the command ends, the menu shows what can be undone now.
  struct Show {
    TMainForm& form;
    ~Show() { form.ShowHistoryState(); }
  } show{*this};
  if (soundLocked_) return false;
  const std::lock_guard lock(soundLock_);  // a playing run takes the edit at its next block
  return PerformEdit(history_, doc_, CurrentView(), command, arguments);
}

void TMainForm::UndoClick() {
  if (soundLocked_) return;
  const std::int32_t rate = doc_.SampleRate;
  std::optional<ViewState> view;
  {
    const std::lock_guard lock(soundLock_);
    view = history_.Undo(doc_, CurrentView());
  }
  if (view) ShowView(*view);
  if (doc_.SampleRate != rate) ShowStatusText(SampleRateText(doc_.SampleRate));
  ShowHistoryState();
}

void TMainForm::RedoClick() {
  if (soundLocked_) return;
  const std::int32_t rate = doc_.SampleRate;
  std::optional<ViewState> view;
  {
    const std::lock_guard lock(soundLock_);
    view = history_.Redo(doc_, CurrentView());
  }
  if (view) ShowView(*view);
  if (doc_.SampleRate != rate) ShowStatusText(SampleRateText(doc_.SampleRate));
  ShowHistoryState();
}

void TMainForm::NewHistory(const QString& soundName) {
  history_.Clear();
  soundName_ = soundName;
  ShowHistoryState();
}

void TMainForm::ShowHistoryState() {
  actions_.undo->setEnabled(!soundLocked_ && history_.CanUndo());
  if (history_.UndoBlocked())
    actions_.undo->setText(QStringLiteral("Rückgängig nicht möglich: %1").arg(Caption(history_.UndoName())));
  else if (history_.CanUndo())
    actions_.undo->setText(QStringLiteral("Rückgängig: %1").arg(Caption(history_.UndoName())));
  else
    actions_.undo->setText(QStringLiteral("Rückgängig"));
  actions_.redo->setEnabled(!soundLocked_ && history_.CanRedo());
  actions_.redo->setText(history_.CanRedo() ? QStringLiteral("Wiederholen: %1").arg(Caption(history_.RedoName()))
                                         : QStringLiteral("Wiederholen"));

  const bool modified = history_.Modified();
  setWindowTitle(soundName_.isEmpty()
                     ? kProgramTitle
                     : QStringLiteral("%1 – %2%3").arg(kProgramTitle, soundName_,
                                                       modified ? QStringLiteral(" *") : QString()));
}

bool TMainForm::MayLetSoundGo() {
  if (!history_.Modified()) return true;
  const QString question = soundName_.isEmpty()
                               ? QStringLiteral("Änderungen speichern?")
                               : QStringLiteral("Änderungen an %1 speichern?").arg(soundName_);
  switch (prompts_.AskSaveChanges(this, question)) {
    case SaveChangesAnswer::Discard: return true;
    case SaveChangesAnswer::Save: return SaveSound();
    case SaveChangesAnswer::Cancel: break;
  }
  return false;
}

}  // namespace sonavix
