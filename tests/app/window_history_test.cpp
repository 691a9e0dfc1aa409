// Undo and redo through the window, the title's mark for unsaved changes,
// and the question before such changes would be lost.

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTimer>

#include "app/messages.h"
#include "app/status_texts.h"
#include "app/zoom_spin_edit.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

using WindowHistory = WindowTest;

TEST_F(WindowHistory, UndoAndRedoGiveBackSoundMarksAndViewAndNameTheCommand) {
  OpenThroughCommand(WriteRamp("lied.wav", 50'000));
  AudioDocument& doc = form->Document();
  QAction* undo = A().undo;
  QAction* redo = A().redo;
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvin Sonavix 1.0 – lied.wav"));
  EXPECT_EQ(undo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
  EXPECT_EQ(redo->shortcuts(),
            (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));

  form->View().ZoomField()->SetValue(10);
  form->View().ScrollBar()->setValue(1234);
  doc.SelStart = 2000;
  doc.SelEnd = 12'000;
  const std::vector<std::uint8_t> original = DocumentBytes(doc);
  Trigger(A().cropToSelection);
  const std::vector<std::uint8_t> cropped = DocumentBytes(doc);
  const QString croppedZoom = form->View().ZoomField()->text();
  EXPECT_EQ(doc.SampleCount(), 10'000);
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(Caption(undo), QStringLiteral("Rückgängig: Zur Auswahl zurechtschneiden"));
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvin Sonavix 1.0 – lied.wav *"));

  undo->trigger();
  EXPECT_EQ(DocumentBytes(doc), original);
  EXPECT_EQ(doc.SelStart, 2000);
  EXPECT_EQ(doc.SelEnd, 12'000);
  EXPECT_EQ(form->View().ZoomField()->text(), QStringLiteral("10"));
  EXPECT_EQ(form->View().ScrollBar()->value(), 1234);
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_EQ(Caption(redo), QStringLiteral("Wiederholen: Zur Auswahl zurechtschneiden"));
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvin Sonavix 1.0 – lied.wav"));

  redo->trigger();
  EXPECT_EQ(DocumentBytes(doc), cropped);
  EXPECT_EQ(form->View().ZoomField()->text(), croppedZoom);
  EXPECT_FALSE(redo->isEnabled());

  // The speed commands show the rate they go back to.
  Trigger(A().faster);
  undo->trigger();
  EXPECT_EQ(doc.SampleRate, 22050);
  EXPECT_EQ(form->Status().Text(), SampleRateText(22050));

  // Opening a file starts a new history; saving keeps it.
  Trigger(A().louder);
  prompts.fileNames.push_back(Path("neu.wav"));
  Trigger(A().saveWav);
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvin Sonavix 1.0 – neu.wav"));
  EXPECT_EQ(Caption(undo), QStringLiteral("Rückgängig: Lauter 10%"));
  undo->trigger();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvin Sonavix 1.0 – neu.wav *"));
  prompts.saveChanges.push_back(SaveChangesAnswer::Discard);
  OpenThroughCommand(Path("neu.wav"));
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_FALSE(redo->isEnabled());
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvin Sonavix 1.0 – neu.wav"));
}

TEST_F(WindowHistory, UnsavedChangesAreAskedAboutAndNothingGoesWithoutConsent) {
  OpenThroughCommand(WriteRamp("lied.wav", 4000));
  const QString other = WriteRamp("anders.wav", 100);
  AudioDocument& doc = form->Document();
  Trigger(A().reverse);
  const std::vector<std::uint8_t> edited = DocumentBytes(doc);

  // "Abbrechen": no file dialog, the sound stays; the CD dialog is not shown;
  // the window stays open.
  OpenThroughCommand(other);
  prompts.fileNames.clear();
  Trigger(A().readCd);
  form->close();
  EXPECT_EQ(prompts.saveQuestions, QStringList(3, QStringLiteral("Änderungen an lied.wav speichern?")));
  EXPECT_TRUE(prompts.fileDialogs.size() == 1 && prompts.dialogTitles.isEmpty());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(DocumentBytes(doc), edited);

  // "Speichern" with a save that fails: the error, and nothing is discarded.
  prompts.saveChanges = {SaveChangesAnswer::Save};
  prompts.fileNames = {Path("fehlt/lied.wav"), other};
  Trigger(A().open);
  EXPECT_EQ(prompts.errors, QStringList{kCannotSave});
  EXPECT_EQ(DocumentBytes(doc), edited);
  EXPECT_TRUE(form->Session().history.Modified());

  // "Speichern" that works, then the new file opens.
  prompts.saveChanges = {SaveChangesAnswer::Save};
  prompts.fileNames = {Path("gesichert.wav"), other};
  Trigger(A().open);
  EXPECT_EQ(ReadBytes(Path("gesichert.wav")).size(), edited.size() + 44);
  EXPECT_EQ(doc.SampleCount(), 100);

  // "Verwerfen" closes the window.
  Trigger(A().louder);
  prompts.saveChanges = {SaveChangesAnswer::Discard};
  Trigger(A().quit);
  EXPECT_FALSE(form->isVisible());
}

// An undo while the sound plays is an edit like any other: the run goes on
// with the block the document holds from the next block on.
TEST_F(WindowHistory, UndoAndRedoDuringPlaybackKeepTheRunGoing) {
  OpenThroughCommand(WriteRamp("lied.wav", 8000));
  AudioDocument& doc = form->Document();
  const std::vector<std::uint8_t> original = DocumentBytes(doc);
  QTimer steps;
  int n = 0;
  QObject::connect(&steps, &QTimer::timeout, [&] {
    switch (++n) {
      case 2: doc.SelStart = 100, doc.SelEnd = 300, Trigger(A().cropToSelection); break;
      case 4: Trigger(A().undo); break;
      case 6: Trigger(A().redo); break;
      case 8: Trigger(A().undo); break;
      case 10: Trigger(A().stop); break;
    }
  });
  steps.start(0);
  Trigger(A().play);
  EXPECT_GE(n, 10);
  EXPECT_FALSE(form->Busy());
  EXPECT_EQ(DocumentBytes(doc), original);
  EXPECT_TRUE(prompts.errors.isEmpty());
}

}  // namespace
}  // namespace sonavix::testing
