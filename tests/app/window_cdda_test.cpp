// The CD import through the window: the drives are found once, the dialog
// reads a track into the document, and the view shows it whole.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

#include "app/zoom_spin_edit.h"
#include "cdda/emulated_transports.h"
#include "app/cd_read_dialog.h"
#include "view/zoom.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

using cdda::EmulatedCdDrive;
using cdda::EmulatedPassThrough;
using cdda::EmulatedScsiGeneric;

class WindowCdda : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    auto ownPassThrough = std::make_unique<EmulatedPassThrough>();
    auto ownGeneric = std::make_unique<EmulatedScsiGeneric>();
    passThrough = ownPassThrough.get();
    generic = ownGeneric.get();
    form->Import().SetCdTransports(std::move(ownPassThrough), std::move(ownGeneric));
  }

  std::shared_ptr<EmulatedCdDrive> AddDrive(const char* name) {
    auto drive = std::make_shared<EmulatedCdDrive>();
    passThrough->devices.push_back({name, drive});
    return drive;
  }

  static QStringList Items(const QDialog& dialog) {
    const auto* box = dialog.findChild<QComboBox*>(QStringLiteral("driveBox"));
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
  }

  static QString Messages(const QDialog& dialog) {
    return dialog.findChild<QPlainTextEdit*>(QStringLiteral("log"))->toPlainText();
  }

  // A button of the dialog, and the read it starts to its end.
  static void ClickIn(QDialog& dialog, const char* button) {
    dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    auto* cd = qobject_cast<CdReadDialog*>(&dialog);
    ASSERT_TRUE(QTest::qWaitFor([cd] { return !cd || !cd->Reading(); }, 60'000));
  }

  EmulatedPassThrough* passThrough = nullptr;  // owned by the form
  EmulatedScsiGeneric* generic = nullptr;
};

TEST_F(WindowCdda, TheDialogListsTheDrivesFoundTheFirstTimeOnly) {
  AddDrive("sr0");
  AddDrive("sr1")->inquiryFails = true;
  QStringList seen;
  int selected = -2;
  prompts.dialogs.push_back([&](QDialog& dialog) {
    seen = Items(dialog);
    selected = dialog.findChild<QComboBox*>(QStringLiteral("driveBox"))->currentIndex();
    return int(QDialog::Rejected);
  });
  Trigger(A().readCd);
  EXPECT_EQ(seen, (QStringList{"sr0: EMULATED CD-ROM ", "sr1: CD-DRIVE"}));
  EXPECT_EQ(selected, 0);
  EXPECT_EQ(passThrough->opened, 2);
  EXPECT_EQ(form->Import().CdDrives().CDDriveCount, 2);

  // A drive attached later is not seen: the list stays as it was.
  AddDrive("sr2");
  Trigger(A().readCd);
  EXPECT_EQ(passThrough->opened, 2);
  EXPECT_EQ(Items(*form->GetForms().cdRead).size(), 2);
  EXPECT_EQ(prompts.dialogTitles,
            (QStringList{"Lied von Musik-CD einlesen...", "Lied von Musik-CD einlesen..."}));
  EXPECT_EQ(form->Document().DataSize, 0);
}

TEST_F(WindowCdda, DiscoveryProblemsAreWrittenIntoTheDialogOnce) {
  generic->missing = true;
  Trigger(A().readCd);
  Trigger(A().readCd);
  EXPECT_EQ(generic->loads, 1);
  const QDialog& dialog = *form->GetForms().cdRead;
  EXPECT_EQ(Messages(dialog).count(QStringLiteral("Kein CD-Laufwerk gefunden")), 1);
  EXPECT_TRUE(Items(dialog).isEmpty());

  // OK without a drive reads nothing and says so.
  prompts.dialogs.push_back([&](QDialog& shown) {
    ClickIn(shown, "okButton");
    return shown.result();
  });
  Trigger(A().readCd);
  EXPECT_TRUE(Messages(dialog).endsWith(
      QStringLiteral("Kein CD-Laufwerk gefunden (gesucht unter /dev/sr0 … /dev/sr31 und /dev/sg*)...")));
  EXPECT_EQ(form->Document().DataSize, 0);
}

TEST_F(WindowCdda, OkReadsTheChosenTrackAndTheViewShowsItWhole) {
  auto& disc = AddDrive("sr0")->disc;
  disc.trackStarts = {0, 150};
  disc.leadOut = 300;
  int result = -1;
  prompts.dialogs.push_back([&](QDialog& dialog) {
    dialog.findChild<QSpinBox*>(QStringLiteral("trackField"))->setValue(2);
    ClickIn(dialog, "okButton");
    result = dialog.result();
    return result;
  });
  const int paints = form->View().DrawCount();
  Trigger(A().readCd);

  EXPECT_EQ(result, QDialog::Accepted);
  const AudioDocument& doc = form->Document();
  EXPECT_EQ(doc.DataSize, 150 * 2352);
  EXPECT_EQ(doc.SampleRate, 44100);
  EXPECT_TRUE(doc.IsStereo && doc.Is16Bit);
  EXPECT_EQ(doc.SampleData[0], cdda::EmulatedDisc::SectorByte(150, 0));
  EXPECT_EQ(form->View().Zoom(), WholeFileZoom(doc.SampleCount(), (&form->View())->width()));
  EXPECT_GT(form->View().DrawCount(), paints);

  const QDialog& dialog = *form->GetForms().cdRead;
  EXPECT_TRUE(Messages(dialog).contains(QStringLiteral("2 Tracks gefunden...\nStarte Ripping...\nCRC32 ")));
  EXPECT_TRUE(Messages(dialog).endsWith(QStringLiteral("...\nRipping beendet...")));
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("positionLabel"))->text(),
            QStringLiteral("Track no. 2 Time 00:00:02 s"));
  EXPECT_TRUE(dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->isEnabled());
}

// A disc with CD-Text: the dialog names the chosen track, the sound takes
// its title, and the picture's text line is offered it while empty.
TEST_F(WindowCdda, CdTextNamesTheTrackTheSoundAndAnEmptyTextLine) {
  const auto drive = AddDrive("sr0");
  drive->disc.trackStarts = {0, 150};
  drive->disc.leadOut = 300;
  cdda::CdText text;
  text.titles = {{0, "Sommerplatte"}, {2, "Übermorgen"}};
  text.performers = {{0, "Die Quorvins"}, {2, "\t"}};
  drive->cdText = text;
  auto* line = form->Picture().textField;
  for (const QString& before : {QString(), QStringLiteral("Mein Text")}) {
    line->setText(before);
    QString shown;
    prompts.dialogs.push_back([&](QDialog& dialog) {
      dialog.findChild<QSpinBox*>(QStringLiteral("trackField"))->setValue(2);
      ClickIn(dialog, "okButton");
      shown = dialog.findChild<QLabel*>(QStringLiteral("trackText"))->text();
      return dialog.result();
    });
    Trigger(A().readCd);
    EXPECT_EQ(shown, QStringLiteral("Übermorgen – Die Quorvins"));
    EXPECT_TRUE(Messages(*form->GetForms().cdRead).contains(QStringLiteral("CD-Text: Übermorgen – Die Quorvins")));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvin Sonavix 1.0 – Übermorgen – Die Quorvins"));
    EXPECT_EQ(line->text(), before.isEmpty() ? QStringLiteral("Übermorgen – Die Quorvins") : before);
  }
  // The next track takes the line the program wrote for the one before; the
  // label names the track read, not the next one.
  line->clear();
  for (const int track : {2, 1}) {
    prompts.dialogs.push_back([&, track](QDialog& dialog) {
      dialog.findChild<QSpinBox*>(QStringLiteral("trackField"))->setValue(track);
      ClickIn(dialog, "okButton");
      EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("positionLabel"))->text(),
                QStringLiteral("Track no. %1 Time 00:00:02 s").arg(track));
      return dialog.result();
    });
    Trigger(A().readCd);
  }
  EXPECT_EQ(line->text(), QString());  // track 1 has no title of its own
}

TEST_F(WindowCdda, AbbrechenDuringAReadKeepsWhatWasRead) {
  const auto drive = AddDrive("sr0");
  drive->disc.trackStarts = {0};
  drive->disc.leadOut = 1000;
  QDialog* shown = nullptr;
  // The emulated drive is asked while the read runs on its thread: the user
  // presses "Abbrechen" during the fourth request.
  drive->readFails = [&](std::size_t index, std::uint32_t) -> std::optional<cdda::SenseError> {
    if (index == 3)
      QMetaObject::invokeMethod(
          shown, [&] { shown->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click(); },
          Qt::BlockingQueuedConnection);
    return std::nullopt;
  };
  prompts.dialogs.push_back([&](QDialog& dialog) {
    shown = &dialog;
    ClickIn(dialog, "okButton");
    return dialog.result();
  });
  Trigger(A().readCd);
  EXPECT_EQ(drive->reads, 4u);
  EXPECT_EQ(form->Document().DataSize, 2 * 23520);  // read safely: each request twice
  EXPECT_EQ(form->View().Zoom(), WholeFileZoom(form->Document().SampleCount(), (&form->View())->width()));
}

TEST_F(WindowCdda, AbbrechenWhenIdleClosesWithoutReading) {
  AddDrive("sr0");
  int result = -1;
  prompts.dialogs.push_back([&](QDialog& dialog) {
    dialog.setResult(QDialog::Accepted);
    ClickIn(dialog, "cancelButton");
    result = dialog.result();
    return result;
  });
  Trigger(A().readCd);
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_EQ(form->Document().DataSize, 0);
}

}  // namespace
}  // namespace sonavix::testing
