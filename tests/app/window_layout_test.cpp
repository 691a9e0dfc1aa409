// The main window as the user first sees it: captions, places, menus, which
// commands can be used, and the dialogs made at start-up.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollBar>

#include "app/application.h"
#include "app/zoom_spin_edit.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

using WindowLayout = WindowTest;

struct ButtonPlace {
  const char* name;
  const char* caption;
  QRect geometry;
};

TEST_F(WindowLayout, ButtonsStandWhereAndAsTheyShould) {
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvin Sonavix 1.0"));
  const ButtonPlace buttons[] = {
      {"OpenBtn", "Öffnen...", {8, 8, 89, 25}},
      {"Button1", "Speichern als MPEG...", {104, 8, 145, 25}},
      {"MusikCDBtn", "Von Musik-CD einlesen...", {256, 8, 177, 25}},
      {"BitBtnXP1", "Schriftart...", {520, 40, 97, 25}},
      {"ZoomKleinerBtn", "Kleiner", {8, 8, 97, 25}},
      {"ZoomGroesserBtn", "Größer", {112, 8, 97, 25}},
      {"ZoomOutFull", "Ganze Datei", {240, 8, 97, 25}},
      {"ZoomInFull", "Voller Zoom", {344, 8, 97, 25}},
      {"ZoomSel", "Zoom auf Auswahl", {448, 8, 137, 25}},
      {"PlayBtn", "PLAY", {240, 40, 75, 25}},
      {"StopBTN", "STOP", {320, 40, 75, 25}},
      {"CropToSelection", "Zur Auswahl zurechtschneiden", {8, 72, 201, 25}},
      {"CutSelectionBtn", "Die Auswahl wegschneiden", {216, 72, 201, 25}},
      {"ChangeFormat", "Sampleformat ändern...", {424, 72, 153, 25}},
  };
  for (const ButtonPlace& b : buttons) {
    auto* button = Find<QPushButton>(b.name);
    ASSERT_NE(button, nullptr) << b.name;
    EXPECT_EQ(button->text(), QString::fromUtf8(b.caption)) << b.name;
    EXPECT_EQ(button->geometry(), b.geometry) << b.name;
  }
  EXPECT_EQ(Find<QWidget>("Panel2")->height(), 89);  // a third row for the web formats
  EXPECT_EQ(Find<QWidget>("Panel1")->height(), 105);
  EXPECT_EQ(Find<QWidget>("ScrollBox1")->height(), 129);
  EXPECT_EQ(Find<QWidget>("PaintBox1")->height(), 121);
  EXPECT_EQ(form->PictureSize(), QSize(400, 400));  // the preview's picture, scaled into its box
  EXPECT_EQ(Find<QWidget>("RxSlider1")->height(), 17);
  EXPECT_EQ(Find<QWidget>("StatusBar1")->height(), 19);
  EXPECT_EQ(Find<QWidget>("ProgressPanel")->width(), 50);
  EXPECT_EQ(Find<QWidget>("StatusText")->width(), 400);
  // The waveform strip spans its box from border to border.
  EXPECT_GT(form->WaveBox()->width(), Find<QWidget>("ScrollBox1")->width() - 8);
}

TEST_F(WindowLayout, OtherControlsStartAsTheyShould) {
  EXPECT_TRUE(Find<QRadioButton>("RadioButton3")->isChecked());
  EXPECT_EQ(Find<QRadioButton>("RadioButton1")->text(), QStringLiteral("Video-CD"));
  EXPECT_EQ(Find<QRadioButton>("RadioButton2")->text(), QStringLiteral("Super Video CD"));
  EXPECT_TRUE(Find<QCheckBox>("SchleifeCheck")->isChecked());
  EXPECT_EQ(Find<QCheckBox>("SchleifeCheck")->text(),
            QStringLiteral("In einer Schleife kontinuierlich abspielen"));
  EXPECT_TRUE(Find<QLineEdit>("Edit1")->text().isEmpty());
  EXPECT_EQ(Find<QWidget>("Edit1")->geometry(), QRect(336, 40, 169, 21));
  EXPECT_EQ(form->ZoomField()->text(), QStringLiteral("100"));
  EXPECT_EQ(form->ScrollBar()->maximum(), 100);
  EXPECT_EQ(form->ScrollBar()->singleStep(), 10);
  EXPECT_EQ(form->ScrollBar()->pageStep(), 100);
  EXPECT_FALSE(Find<QPushButton>("StopBTN")->isEnabled());
}

QStringList MenuEntries(QMenu* menu) {
  QStringList entries;
  for (QAction* action : menu->actions()) entries << (action->isSeparator() ? "-" : action->text());
  return entries;
}

TEST_F(WindowLayout, MenusHoldTheirEntriesInOrder) {
  QStringList titles;
  std::vector<QStringList> entries;
  for (QAction* action : form->menuBar()->actions()) {
    titles << action->text();
    entries.push_back(MenuEntries(action->menu()));
  }
  ASSERT_EQ(titles, (QStringList{"Datei", "Bearbeiten", "Ansicht", "Effekte", "Hilfe"}));
  EXPECT_EQ(entries[0], (QStringList{"Öffnen...", "Speichern als WAV...", "Speichern als MPEG Video...",
                                     "Speichern als Disc-Abbild...", "-", "Von Musik-CD einlesen...", "-",
                                     "Beenden"}));
  EXPECT_EQ(entries[1], (QStringList{"Rückgängig", "Wiederholen", "-", "Zur Auswahl zurechtschneiden", "Die Auswahl wegschneiden", "-",
                                     "Nichts auswählen", "-", "Sampleformat ändern..."}));
  EXPECT_EQ(entries[2], (QStringList{"Ganze Datei", "Voller Zoom", "Zoom auf Auswahl", "-",
                                     "Kleiner", "Größer"}));
  EXPECT_EQ(entries[3],
            (QStringList{"Echo...", "Weich einblenden", "Weich ausblenden",
                         "Ende auf Anfang überblenden", "-", "Maximale Lautstärke", "Lauter 10%",
                         "Leiser 10%", "-", "Rückwärts", "-", "Schneller 10%", "Langsamer 10%"}));
  EXPECT_EQ(entries[4], (QStringList{"Über das Programm..."}));
}

TEST_F(WindowLayout, OnlyCommandsTheProgramCanCarryOutAreEnabled) {
  for (const char* name : {"ffnen1", "Speichern1", "Beenden1", "Nichtsauswhlen1", "GanzeDatei1",
                           "VollerZoom1", "ZoomaufAuswahl1", "Kleiner1", "Grer1", "berdasProgramm1"})
    EXPECT_TRUE(Find<QAction>(name)->isEnabled()) << name;
  for (const char* name : {"OpenBtn", "ZoomKleinerBtn", "ZoomGroesserBtn", "ZoomOutFull",
                           "ZoomInFull", "ZoomSel"})
    EXPECT_TRUE(Find<QWidget>(name)->isEnabled()) << name;
  // Every menu command can be carried out once the window is up, except
  // undo and redo with nothing to undo or redo yet.
  QStringList disabled;
  for (QAction* action : form->findChildren<QAction*>())
    if (!action->isSeparator() && !action->menu() && !action->isEnabled()) disabled << action->objectName();
  EXPECT_EQ(disabled, (QStringList{"Rueckgaengig1", "Wiederholen1"}));
  EXPECT_TRUE(Find<QWidget>("MusikCDBtn")->isEnabled());
}

TEST_F(WindowLayout, DialogsAreMadeAtStartAndStayHidden) {
  const Forms& forms = form->GetForms();
  ASSERT_TRUE(forms.SampleFormat && forms.MusikCD && forms.AboutBox && forms.Echo);
  EXPECT_EQ(forms.SampleFormat->windowTitle(), QStringLiteral("Sampleformat ändern"));
  EXPECT_EQ(forms.MusikCD->windowTitle(), QStringLiteral("Lied von Musik-CD einlesen..."));
  EXPECT_EQ(forms.AboutBox->windowTitle(), QStringLiteral("Info"));
  EXPECT_EQ(forms.Echo->windowTitle(), QStringLiteral("Effekt"));
  for (QDialog* dialog : {forms.SampleFormat, forms.MusikCD, forms.AboutBox, forms.Echo})
    EXPECT_FALSE(dialog->isVisible());

  Trigger("berdasProgramm1");
  EXPECT_EQ(prompts.dialogTitles, QStringList{"Info"});

  if (const QByteArray shot = qgetenv("SONAVIX_SCREENSHOT"); !shot.isEmpty())
    form->grab().save(QString::fromLocal8Bit(shot));
}

TEST_F(WindowLayout, StandardDialogsSpeakGerman) {
  ASSERT_TRUE(InstallGermanTranslations(*QCoreApplication::instance()));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Open"), QStringLiteral("Öffnen"));
  // The buttons of the question before unsaved changes are lost.
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Save"), QStringLiteral("Speichern"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Discard"), QStringLiteral("Verwerfen"));
}

TEST_F(WindowLayout, ClosingTheWindowStopsLongCommands) {
  EXPECT_FALSE(form->StopRequested());
  Trigger("Beenden1");
  EXPECT_TRUE(form->StopRequested());
  EXPECT_FALSE(form->isVisible());
}

}  // namespace
}  // namespace sonavix::testing
