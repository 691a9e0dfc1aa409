#include "app/window_actions.h"

#include <QActionGroup>
#include <QKeySequence>
#include <QPushButton>

namespace sonavix {

namespace {

QAction* Make(QObject* owner, const char* caption, const QKeySequence& keys = {}) {
  auto* action = new QAction(QString::fromUtf8(caption), owner);
  action->setShortcut(keys);
  return action;
}

QAction* Checkable(QAction* action, bool checked) {
  action->setCheckable(true);
  action->setChecked(checked);
  return action;
}

// Checking one of the actions unchecks the others.
void OneOf(QObject* owner, std::initializer_list<QAction*> actions) {
  auto* group = new QActionGroup(owner);
  for (QAction* action : actions) group->addAction(action);
}

}  // namespace

WindowActions CreateWindowActions(QObject* owner) {
  // Each menu's accelerator letters differ (tested); a text field keeps
  // the keys it uses itself (Space, Delete, Home, End, Ctrl+A).
  WindowActions a;
  a.open = Make(owner, "&Öffnen...", QKeySequence::Open);
  a.clearRecentFiles = Make(owner, "Liste &leeren");
  a.saveWav = Make(owner, "Speichern als &WAV...", QKeySequence::Save);
  a.exportVideo = Make(owner, "Speichern als &Video...", Qt::CTRL | Qt::Key_E);
  a.discImage = Make(owner, "Speichern als &Disc-Abbild...");
  a.readCd = Make(owner, "Von Musik-&CD einlesen...");
  a.quit = Make(owner, "&Beenden", Qt::CTRL | Qt::Key_Q);
  a.undo = Make(owner, "&Rückgängig", QKeySequence::Undo);
  a.redo = Make(owner, "&Wiederholen");
  a.redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  a.cropToSelection = Make(owner, "&Zur Auswahl zurechtschneiden");
  a.cutSelection = Make(owner, "Die Auswahl weg&schneiden", Qt::Key_Delete);
  a.selectAll = Make(owner, "&Alles auswählen", QKeySequence::SelectAll);
  a.selectNothing = Make(owner, "&Nichts auswählen", Qt::Key_Escape);
  a.chooseSelection = Make(owner, "A&uswahl...", Qt::CTRL | Qt::SHIFT | Qt::Key_A);
  a.changeSampleFormat = Make(owner, "Sample&format ändern...");
  a.zoomWholeFile = Make(owner, "&Ganze Datei", Qt::CTRL | Qt::Key_0);
  a.zoomFull = Make(owner, "&Voller Zoom");
  a.zoomToSelection = Make(owner, "Zoom auf &Auswahl");
  a.zoomSmaller = Make(owner, "&Kleiner", Qt::CTRL | Qt::Key_Minus);
  a.zoomLarger = Make(owner, "G&rößer", Qt::CTRL | Qt::Key_Plus);
  // Ctrl+= is Ctrl++ on keyboards where "+" needs Shift.
  a.zoomLarger->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  a.playOrStop = Make(owner, "&Abspielen / Anhalten", Qt::Key_Space);
  a.goToStart = Make(owner, "Zum A&nfang", Qt::Key_Home);
  a.goToEnd = Make(owner, "Zum &Ende", Qt::Key_End);
  a.echo = Make(owner, "E&cho...");
  a.fadeIn = Make(owner, "Weich &einblenden");
  a.fadeOut = Make(owner, "Weich &ausblenden");
  a.crossfadeEndToStart = Make(owner, "Ende auf Anfang ü&berblenden");
  a.maximumVolume = Make(owner, "&Maximale Lautstärke");
  a.louder = Make(owner, "&Lauter 10%");
  a.quieter = Make(owner, "Lei&ser 10%");
  a.reverse = Make(owner, "&Rückwärts");
  a.faster = Make(owner, "Sc&hneller 10%");
  a.slower = Make(owner, "Lan&gsamer 10%");
  a.chooseImage = Make(owner, "&Bild...");
  a.songCover = Make(owner, "&Cover des Liedes");
  a.noImage = Make(owner, "&Kein Bild");
  a.imageFills = Checkable(Make(owner, "Bild &füllt das Video"), true);
  a.imageWhole = Checkable(Make(owner, "&Ganzes Bild zeigen"), false);
  OneOf(owner, {a.imageFills, a.imageWhole});
  a.chooseLyrics = Make(owner, "&Liedtext...");
  a.noLyrics = Make(owner, "Liedtext &entfernen");
  a.textColour = Make(owner, "&Textfarbe...");
  a.formatColour = Make(owner, "Farbe &wie das Format");
  a.placeTop = Checkable(Make(owner, "Text &oben"), false);
  a.placeMiddle = Checkable(Make(owner, "Text in der &Mitte"), false);
  a.placeBottom = Checkable(Make(owner, "Text &unten"), false);
  a.formatPlace = Checkable(Make(owner, "&Platz wie das Format"), true);
  OneOf(owner, {a.placeTop, a.placeMiddle, a.placeBottom, a.formatPlace});
  a.sixtyFrames = Checkable(Make(owner, "&60 Bilder je Sekunde (MP4, WebM)"), false);
  a.about = Make(owner, "&Über das Programm...", QKeySequence::HelpContents);
  a.play = Make(owner, "PLAY");
  a.stop = Make(owner, "STOP");
  a.stop->setEnabled(false);  // usable only while something runs
  a.chooseFont = Make(owner, "Schriftart...");
  return a;
}

std::vector<QAction*> WindowActions::ChangingTheSound() const {
  return {cropToSelection, cutSelection,  changeSampleFormat, louder, quieter, maximumVolume, fadeIn,
          fadeOut,         crossfadeEndToStart, echo,         reverse, faster, slower,  readCd};
}

void EnableActions(const WindowActions& a, const CommandState& state) {
  const bool held = state.exporting || state.reading;
  const bool runFree = !state.playing && !state.exporting;
  a.open->setEnabled(!held);
  if (a.recentFiles) a.recentFiles->setEnabled(!held);
  for (QAction* action : a.ChangingTheSound()) action->setEnabled(!held);
  a.undo->setEnabled(!held && state.canUndo);
  a.redo->setEnabled(!held && state.canRedo);
  a.exportVideo->setEnabled(runFree && !state.reading);
  a.discImage->setEnabled(runFree && !state.reading && state.discFormat);
  a.play->setEnabled(runFree);
  a.stop->setEnabled(state.playing || state.exporting || state.reading);
  // Space stops a playback, but never an export or a read by a slip.
  a.playOrStop->setEnabled(state.playing || runFree);
}

void ShowHistory(const WindowActions& a, const EditHistory& history) {
  const auto caption = [](const char* name) { return QString::fromUtf8(name); };
  if (history.UndoBlocked())
    a.undo->setText(QStringLiteral("&Rückgängig nicht möglich: %1").arg(caption(history.UndoName())));
  else if (history.CanUndo())
    a.undo->setText(QStringLiteral("&Rückgängig: %1").arg(caption(history.UndoName())));
  else
    a.undo->setText(QStringLiteral("&Rückgängig"));
  a.redo->setText(history.CanRedo() ? QStringLiteral("&Wiederholen: %1").arg(caption(history.RedoName()))
                                    : QStringLiteral("&Wiederholen"));
}

void BindButton(QPushButton* button, QAction* action) {
  QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
  QObject::connect(action, &QAction::enabledChanged, button, &QPushButton::setEnabled);
  // A tip set on the action is the button's too. Without one the action's
  // tip is its stripped text, as its icon text is: that is no tip.
  QObject::connect(action, &QAction::changed, button, [button, action] {
    if (action->toolTip() != action->iconText()) button->setToolTip(action->toolTip());
  });
  button->setEnabled(action->isEnabled());
}

}  // namespace sonavix
