#pragma once
// Every command of the main window as one QAction, made in one place with
// its caption and keys: the menu entries are these actions, and a button
// that does the same thing is bound to its action (it triggers it and
// follows its enabled state), so that the two can never disagree. The
// window connects each action to its handler once and sets the enabled
// states on the actions alone.

#include <QAction>
#include <QMenu>
#include <vector>

#include "history/edit_history.h"

class QPushButton;

namespace sonavix {

struct WindowActions {
  // Datei
  QAction* open = nullptr;
  QMenu* recentFiles = nullptr;  // "Zuletzt geöffnet": made and filled by the window
  QAction* clearRecentFiles = nullptr;
  QAction* saveWav = nullptr;
  QAction* exportVideo = nullptr;
  QAction* discImage = nullptr;
  QAction* readCd = nullptr;
  QAction* quit = nullptr;
  // Bearbeiten
  QAction* undo = nullptr;
  QAction* redo = nullptr;
  QAction* cropToSelection = nullptr;
  QAction* cutSelection = nullptr;
  QAction* selectAll = nullptr;
  QAction* selectNothing = nullptr;
  QAction* chooseSelection = nullptr;  // "Auswahl...": start and end typed
  QAction* changeSampleFormat = nullptr;
  // Ansicht
  QAction* zoomWholeFile = nullptr;
  QAction* zoomFull = nullptr;
  QAction* zoomToSelection = nullptr;
  QAction* zoomSmaller = nullptr;
  QAction* zoomLarger = nullptr;
  // Wiedergabe
  QAction* playOrStop = nullptr;  // Space: PLAY when nothing plays, else STOP
  QAction* goToStart = nullptr;
  QAction* goToEnd = nullptr;
  // Effekte
  QAction* echo = nullptr;
  QAction* fadeIn = nullptr;
  QAction* fadeOut = nullptr;
  QAction* crossfadeEndToStart = nullptr;
  QAction* maximumVolume = nullptr;
  QAction* louder = nullptr;
  QAction* quieter = nullptr;
  QAction* reverse = nullptr;
  QAction* faster = nullptr;
  QAction* slower = nullptr;
  // Bild: what the picture shows besides the circles
  QAction* chooseImage = nullptr;    // "Bild...": a picture behind the circles
  QAction* songCover = nullptr;      // the song's own cover
  QAction* noImage = nullptr;
  QAction* imageFills = nullptr;     // checkable, one of two: the picture fills the frame
  QAction* imageWhole = nullptr;     // or shows whole, on a blurred copy
  QAction* chooseLyrics = nullptr;   // "Liedtext...": LRC or SRT
  QAction* noLyrics = nullptr;
  QAction* textColour = nullptr;     // "Textfarbe..."
  QAction* formatColour = nullptr;   // the format's own colour again
  QAction* placeTop = nullptr;       // checkable, one of four
  QAction* placeMiddle = nullptr;
  QAction* placeBottom = nullptr;
  QAction* formatPlace = nullptr;
  QAction* sixtyFrames = nullptr;    // checkable: 60 pictures a second for MP4 and WebM
  // Hilfe
  QAction* about = nullptr;
  // Only buttons
  QAction* play = nullptr;
  QAction* stop = nullptr;
  QAction* chooseFont = nullptr;

  // The commands that change the sound or replace it: off while an export
  // or a disc image reads it.
  std::vector<QAction*> ChangingTheSound() const;
};

// What the commands' states follow.
struct CommandState {
  bool playing = false;
  bool exporting = false;   // an export or a disc image
  bool reading = false;     // a file or a CD track being read
  bool discFormat = true;   // the format chosen is a disc's (no image of MP4)
  bool canUndo = false;
  bool canRedo = false;
};

// Makes every action, owned by `owner`, with the window's German captions,
// their accelerator letters and keys.
WindowActions CreateWindowActions(QObject* owner);

// Enables each command as `state` allows: nothing changes or replaces the
// sound while an export or a read holds it, one run (playback or export)
// at a time, STOP while anything runs.
void EnableActions(const WindowActions& actions, const CommandState& state);

// The undo and redo captions name the step they would take.
void ShowHistory(const WindowActions& actions, const EditHistory& history);

// The button is the action: a click triggers it, and it is enabled while
// the action is. Its own caption stays.
void BindButton(QPushButton* button, QAction* action);

}  // namespace sonavix
