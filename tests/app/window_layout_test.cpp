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
#include <algorithm>

#include "app/application.h"
#include "app/zoom_spin_edit.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

using WindowLayout = WindowTest;

struct ButtonPlace {
  const char* caption;
  QRect geometry;
  QAction* WindowActions::*action;
};

// Every button is the action of its command: a click triggers it, and the
// button is usable exactly while the action (and so the menu entry) is.
TEST_F(WindowLayout, ButtonsStandWhereTheyShouldAndAreTheirCommandsActions) {
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Quorvin Sonavix 1.0"));
  using W = WindowActions;
  const ButtonPlace buttons[] = {
      {"Öffnen...", {8, 8, 89, 25}, &W::open},
      {"Speichern als Video...", {104, 8, 145, 25}, &W::exportVideo},
      {"Von Musik-CD einlesen...", {256, 8, 177, 25}, &W::readCd},
      {"Disc-Abbild...", {440, 8, 121, 25}, &W::discImage},
      {"Schriftart...", {520, 40, 97, 25}, &W::chooseFont},
      {"Kleiner", {8, 8, 97, 25}, &W::zoomSmaller},
      {"Größer", {112, 8, 97, 25}, &W::zoomLarger},
      {"Ganze Datei", {240, 8, 97, 25}, &W::zoomWholeFile},
      {"Voller Zoom", {344, 8, 97, 25}, &W::zoomFull},
      {"Zoom auf Auswahl", {448, 8, 137, 25}, &W::zoomToSelection},
      {"PLAY", {240, 40, 75, 25}, &W::play},
      {"STOP", {320, 40, 75, 25}, &W::stop},
      {"Zur Auswahl zurechtschneiden", {8, 72, 201, 25}, &W::cropToSelection},
      {"Die Auswahl wegschneiden", {216, 72, 201, 25}, &W::cutSelection},
      {"Sampleformat ändern...", {424, 72, 153, 25}, &W::changeSampleFormat},
      {"Bild...", {366, 62, 60, 25}, &W::chooseImage},
      {"Liedtext...", {430, 62, 80, 25}, &W::chooseLyrics},
  };
  QList<QPushButton*> all = form->findChildren<QPushButton*>();
  all.removeIf([&](QPushButton* p) { return p->window() != form.get(); });  // the dialogs' own
  EXPECT_EQ(all.size(), std::size(buttons));
  for (const ButtonPlace& b : buttons) {
    const auto found = std::find_if(all.begin(), all.end(),
                                    [&](QPushButton* p) { return p->text() == QString::fromUtf8(b.caption); });
    ASSERT_NE(found, all.end()) << b.caption;
    QPushButton* button = *found;
    QAction* action = A().*b.action;
    EXPECT_EQ(button->geometry(), b.geometry) << b.caption;
    const bool wasEnabled = action->isEnabled();
    action->setEnabled(!wasEnabled);
    EXPECT_EQ(button->isEnabled(), !wasEnabled) << b.caption;
    action->setEnabled(true);
    int triggered = 0;
    const auto counting = QObject::connect(action, &QAction::triggered, [&] { ++triggered; });
    if (action != A().play) button->click();  // playing an empty sound waits for the card
    QObject::disconnect(counting);
    action->setEnabled(wasEnabled);
    EXPECT_EQ(triggered, action != A().play ? 1 : 0) << b.caption;
  }
  WaitWhileBusy();
  // What the menus offer are the same actions.
  for (QAction* command : {A().open, A().exportVideo, A().discImage, A().readCd, A().zoomFull,
                           A().cropToSelection, A().changeSampleFormat})
    EXPECT_FALSE(command->associatedObjects().isEmpty()) << command->text().toStdString();
  EXPECT_EQ(Find<QWidget>("topPanel")->height(), 89);  // a third row for the web formats
  EXPECT_EQ(Find<QWidget>("editPanel")->height(), 105);
  EXPECT_EQ(Find<QWidget>("waveformBox")->height(), 129);
  EXPECT_EQ((&form->View())->height(), 121);
  EXPECT_EQ(form->Preview().PictureSize(), QSize(400, 400));  // the preview's picture, scaled into its box
  EXPECT_EQ(form->View().ScrollBar()->height(), 17);
  EXPECT_EQ(Find<QWidget>("statusBar")->height(), 19);
  EXPECT_EQ(Find<QWidget>("ProgressPanel")->width(), 50);
  EXPECT_EQ(Find<QWidget>("statusText")->width(), 400);
  // The waveform strip spans its box from border to border.
  EXPECT_GT((&form->View())->width(), Find<QWidget>("waveformBox")->width() - 8);

  // Made larger, the waveform and the preview take the room; the panels do not.
  const QSize wave = form->View().size(), preview = form->Preview().size();
  form->resize(form->size() + QSize(210, 300));
  EXPECT_TRUE(QTest::qWaitFor([&] { return form->View().size() == wave + QSize(210, 100); }));
  EXPECT_TRUE(QTest::qWaitFor([&] { return form->Preview().size() == preview + QSize(210, 200); }))
      << form->Preview().height();
  EXPECT_EQ(Find<QWidget>("editPanel")->height(), 105);
}

TEST_F(WindowLayout, OtherControlsStartAsTheyShould) {
  EXPECT_TRUE(form->Format().dvd->isChecked());
  EXPECT_EQ(form->Format().videoCd->text(), QStringLiteral("Video-CD"));
  EXPECT_EQ(form->Format().superVideoCd->text(), QStringLiteral("Super Video CD"));
  EXPECT_TRUE(form->Picture().loopBox->isChecked());
  EXPECT_EQ(form->Picture().loopBox->text(),
            QStringLiteral("In einer Schleife kontinuierlich abspielen"));
  EXPECT_TRUE(form->Picture().textField->text().isEmpty());
  EXPECT_EQ(form->Picture().textField->geometry(), QRect(336, 40, 169, 21));
  EXPECT_EQ(form->View().ZoomField()->text(), QStringLiteral("100"));
  EXPECT_EQ(form->View().ScrollBar()->maximum(), 100);
  EXPECT_EQ(form->View().ScrollBar()->singleStep(), 10);
  EXPECT_EQ(form->View().ScrollBar()->pageStep(), 100);
  EXPECT_FALSE(A().stop->isEnabled());
}

QStringList MenuEntries(QMenu* menu) {
  QStringList entries;
  for (QAction* action : menu->actions()) entries << (action->isSeparator() ? "-" : Caption(action));
  return entries;
}

// The letters after "&" in a menu's entries (or the menu bar's titles),
// lower case: Alt and the letter pick exactly one.
QStringList AcceleratorLetters(const QList<QAction*>& actions) {
  QStringList letters;
  for (const QAction* action : actions) {
    const qsizetype at = action->text().indexOf(QLatin1Char('&'));
    if (!action->isSeparator()) letters << (at < 0 ? QStringLiteral("none: ") + action->text() : action->text().mid(at + 1, 1).toLower());
  }
  return letters;
}

TEST_F(WindowLayout, MenusHoldTheirEntriesInOrder) {
  QStringList titles;
  std::vector<QStringList> entries;
  for (QAction* action : form->menuBar()->actions()) {
    titles << Caption(action);
    entries.push_back(MenuEntries(action->menu()));
    const QStringList letters = AcceleratorLetters(action->menu()->actions());
    EXPECT_EQ(QSet<QString>(letters.begin(), letters.end()).size(), letters.size()) << letters.join(' ').toStdString();
    EXPECT_FALSE(letters.join(' ').contains(QStringLiteral("none"))) << letters.join(' ').toStdString();
  }
  const QStringList letters = AcceleratorLetters(form->menuBar()->actions());
  EXPECT_EQ(letters, (QStringList{"d", "b", "a", "w", "e", "i", "h"}));
  ASSERT_EQ(titles, (QStringList{"Datei", "Bearbeiten", "Ansicht", "Wiedergabe", "Effekte", "Bild", "Hilfe"}));
  EXPECT_EQ(entries[0], (QStringList{"Öffnen...", "Zuletzt geöffnet", "Speichern als WAV...", "Speichern als Video...",
                                     "Speichern als Disc-Abbild...", "-", "Von Musik-CD einlesen...", "-",
                                     "Beenden"}));
  EXPECT_EQ(entries[1], (QStringList{"Rückgängig", "Wiederholen", "-", "Zur Auswahl zurechtschneiden", "Die Auswahl wegschneiden", "-",
                                     "Alles auswählen", "Nichts auswählen", "Auswahl...", "-", "Sampleformat ändern..."}));
  EXPECT_EQ(entries[2], (QStringList{"Ganze Datei", "Voller Zoom", "Zoom auf Auswahl", "-",
                                     "Kleiner", "Größer"}));
  EXPECT_EQ(entries[3], (QStringList{"Abspielen / Anhalten", "-", "Zum Anfang", "Zum Ende"}));
  EXPECT_EQ(entries[4],
            (QStringList{"Echo...", "Weich einblenden", "Weich ausblenden",
                         "Ende auf Anfang überblenden", "-", "Maximale Lautstärke", "Lauter 10%",
                         "Leiser 10%", "-", "Rückwärts", "-", "Schneller 10%", "Langsamer 10%"}));
  EXPECT_EQ(entries[5], (QStringList{"Bild...", "Cover des Liedes", "Kein Bild", "-", "Bild füllt das Video",
                                     "Ganzes Bild zeigen", "-", "Liedtext...", "Liedtext entfernen", "-",
                                     "Textfarbe...", "Farbe wie das Format", "-", "Text oben", "Text in der Mitte",
                                     "Text unten", "Platz wie das Format", "-", "60 Bilder je Sekunde (MP4, WebM)"}));
  EXPECT_EQ(entries[6], (QStringList{"Über das Programm..."}));
}

TEST_F(WindowLayout, OnlyCommandsTheProgramCanCarryOutAreEnabled) {
  // Every command can be carried out once the window is up, except undo
  // and redo with nothing to undo or redo yet, and STOP with nothing running.
  QStringList disabled;
  for (QAction* action : form->findChildren<QAction*>())
    if (!action->isSeparator() && !action->menu() && !action->isEnabled()) disabled << Caption(action);
  EXPECT_EQ(disabled, (QStringList{"Liste leeren", "Rückgängig", "Wiederholen", "STOP"}));
}

TEST_F(WindowLayout, DialogsAreMadeAtStartAndStayHidden) {
  const Forms& forms = form->GetForms();
  ASSERT_TRUE(forms.sampleFormat && forms.cdRead && forms.about && forms.seconds);
  EXPECT_EQ(forms.sampleFormat->windowTitle(), QStringLiteral("Sampleformat ändern"));
  EXPECT_EQ(forms.cdRead->windowTitle(), QStringLiteral("Lied von Musik-CD einlesen..."));
  EXPECT_EQ(forms.about->windowTitle(), QStringLiteral("Info"));
  EXPECT_EQ(forms.seconds->windowTitle(), QStringLiteral("Effekt"));
  for (QDialog* dialog : {forms.sampleFormat, forms.cdRead, forms.about, forms.seconds})
    EXPECT_FALSE(dialog->isVisible());

  Trigger(A().about);
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
  Trigger(A().quit);
  EXPECT_TRUE(form->StopRequested());
  EXPECT_FALSE(form->isVisible());
}

}  // namespace
}  // namespace sonavix::testing
