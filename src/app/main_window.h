#pragma once
// The main window: it builds the layout, holds the sound session (the
// sound, its history and its name) and wires the commands' actions to the
// controllers that carry them out: playback, editing, import and export.
// It keeps the commands' states, the title and the view in step with what
// the controllers report.

#include <QMainWindow>
#include <QSettings>
#include <memory>

#include "app/forms.h"
#include "app/recent_places.h"
#include "app/sound_session.h"
#include "app/window_actions.h"
#include "app/window_context.h"
#include "app/window_status.h"
#include "mp3/acm.h"

namespace sonavix {

class EditController;
class ExportController;
class FormatChoice;
class ImportController;
class PictureSettings;
class PlaybackController;
class PreviewBox;
class TimeRuler;
class SoundDevice;
class UserPrompts;
class WaveformView;

// The window's title while no sound has a name.
inline const QString kProgramTitle = QStringLiteral("Quorvin Sonavix 1.0");

class MainWindow final : public QMainWindow {
  Q_OBJECT
 public:
  // `sound` is the output the window plays through; it is opened here.
  // `codecs` is the audio compression layer MP3 files are decoded through;
  // without one the system's layer is used.
  MainWindow(UserPrompts& prompts, std::unique_ptr<SoundDevice> sound,
             std::unique_ptr<acm::AcmManager> codecs = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  void SetForms(const Forms& forms) { forms_ = forms; }
  const Forms& GetForms() const { return forms_; }
  // Every command of the window; menu entries and buttons are these.
  const WindowActions& Actions() const { return actions_; }

  SoundSession& Session() { return session_; }
  AudioDocument& Document() { return session_.doc; }
  WaveformView& View() const { return *view_; }
  PreviewBox& Preview() const { return *preview_; }
  PictureSettings& Picture() const { return *picture_; }
  FormatChoice& Format() const { return *format_; }
  WindowStatus& Status() { return status_; }
  PlaybackController& Playback() const { return *playback_; }
  EditController& Editing() const { return *editing_; }
  ImportController& Import() const { return *import_; }
  ExportController& Export() const { return *export_; }

  // A run, an export, a disc image or a read is at work on a worker.
  bool Busy() const;
  // STOP was given, or the window closed.
  bool StopRequested() const { return stopRequested_; }
  // Set when the sound output could not be opened: the program then ends.
  bool TerminateRequested() const { return terminateRequested_; }

  // Opens a file named on the command line, as "Öffnen..." would once the
  // user has chosen it: the whole sound is shown, or the usual message.
  void OpenAtStart(const QString& name);

  // The window keeps its settings in `settings`: they are restored now
  // and written back when it closes.
  void KeepSettingsIn(std::unique_ptr<QSettings> settings);
  TimeRuler& Ruler() const { return *ruler_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // A sound file dropped on the window is opened as "Öffnen..." opens it.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // main_window_layout.cpp
  void BuildWindow();
  void BuildTopPanel(QWidget* panel);
  void BuildEditPanel(QWidget* panel);
  QWidget* BuildPage();
  void BuildMenus();

  void BindCommands();
  void BindPictureCommands();  // the "Bild" menu
  void BindKeysAndMarks();
  void Stop();
  // "Auswahl...": start and end typed as times.
  void ChooseSelection();
  // The marks, or the play cursor during playback, in the status bar.
  void ShowMarks();
  void FillRecentFiles();
  void RestoreSettings();
  void StoreSettings();
  // The commands' states, the undo and redo captions and the title, as the
  // controllers and the history stand now.
  void ShowState();

  UserPrompts& prompts_;
  SoundSession session_;
  WindowStatus status_;
  RecentPlaces recent_;
  WindowContext context_;
  WindowActions actions_;
  Forms forms_;
  std::unique_ptr<SoundDevice> sound_;
  // Widgets and controllers are children of the window.
  WaveformView* view_ = nullptr;
  PreviewBox* preview_ = nullptr;
  PictureSettings* picture_ = nullptr;
  FormatChoice* format_ = nullptr;
  QWidget* waveBox_ = nullptr;
  TimeRuler* ruler_ = nullptr;
  std::unique_ptr<QSettings> settings_;
  PlaybackController* playback_ = nullptr;
  EditController* editing_ = nullptr;
  ImportController* import_ = nullptr;
  ExportController* export_ = nullptr;
  bool stopRequested_ = false;
  bool terminateRequested_ = false;
};

}  // namespace sonavix
