#pragma once
// The main window: it owns the audio document and the view state, builds the
// controls and menus, and carries one handler per command. The handlers are
// thin: the work lives in the document and view code they call.

#include <QFont>
#include <QImage>
#include <QMainWindow>
#include <QSize>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/recent_folder.h"
#include "app/window_actions.h"
#include "cdda/cd_drives.h"
#include "document/audio_document.h"
#include "document/sound_files.h"
#include "document/work_progress.h"
#include "history/edit_commands.h"
#include "history/edit_history.h"
#include "mp3/acm.h"
#include "mp3/wave_format_block.h"
#include "export/export_job.h"
#include "video/media_writer.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QDialog;
class QLabel;
class QMenu;

namespace sonavix {

class MediaWriter;
class DiscTools;
class BackgroundJob;
class WorkerRunHost;
class MainFormMp3Host;
class TACMConvertor;
class Mp3Decoder;
class RunWriter;
class SoundDevice;
class PaintBox;
class PreviewWindow;
class ProgressPanel;
class UserPrompts;
class ZoomSpinEdit;

// The dialogs the main window shows; created once at start-up.
struct Forms {
  QDialog* SampleFormat = nullptr;
  QDialog* MusikCD = nullptr;
  QDialog* AboutBox = nullptr;
  QDialog* Echo = nullptr;
};

// The window's title while no sound has a name.
inline const QString kProgramTitle = QStringLiteral("Quorvin Sonavix 1.0");

class TMainForm final : public QMainWindow {
  Q_OBJECT
 public:
  // `sound` is the output the window plays through; it is opened here.
  // `codecs` is the audio compression layer MP3 files are decoded through;
  // without one the system's layer is used.
  TMainForm(UserPrompts& prompts, std::unique_ptr<SoundDevice> sound,
            std::unique_ptr<acm::AcmManager> codecs = nullptr, QWidget* parent = nullptr);
  ~TMainForm() override;

  void SetForms(const Forms& forms) { forms_ = forms; }
  // MP3 files are read through this decoder; without one they are read as
  // WAV. The window's own converter is the default.
  void SetMp3Decoder(Mp3Decoder* decoder) { mp3Decoder_ = decoder; }
  Mp3Decoder* DefaultMp3Decoder() const;
  // Where the MPEG export gets its writer from.
  using MediaWriterFactory = std::function<std::unique_ptr<MediaWriter>()>;
  void SetMediaWriterFactory(MediaWriterFactory factory) { writerFactory_ = std::move(factory); }
  // Where the disc image gets its authoring tools from.
  using DiscToolsFactory = std::function<std::unique_ptr<DiscTools>()>;
  void SetDiscToolsFactory(DiscToolsFactory factory) { discToolsFactory_ = std::move(factory); }
  const Forms& GetForms() const { return forms_; }
  // Every command of the window; menu entries and buttons are these.
  const WindowActions& Actions() const { return actions_; }

  AudioDocument& Document() { return doc_; }
  // The tags of the file opened last (or the CD-Text of the track read).
  const SoundTags& Tags() const { return tags_; }
  const EditHistory& History() const { return history_; }
  // The name the title and the "save changes?" question give the sound.
  const QString& SoundName() const { return soundName_; }
  const QImage& WaveBitmap() const { return waveBitmap_; }
  bool StopRequested() const { return stopRequested_; }
  // Set when the sound output could not be opened: the program then ends.
  bool TerminateRequested() const { return terminateRequested_; }
  bool Running() const { return running_; }
  // An export or a disc image is at work on its worker.
  bool Busy() const;
  bool ExportMode() const { return exportMode_; }
  int CursorX() const { return cursorX_; }
  const QImage& PreviewImage() const { return previewImage_; }
  const QFont& PictureFont() const { return pictureFont_; }
  int PaintCount() const { return paintCount_; }
  // The zoom the view works with (the field's value, never below 1).
  std::int64_t Zoom() const;
  ZoomSpinEdit* ZoomField() const { return ZoomOutEd; }
  QScrollBar* ScrollBar() const { return RxSlider1; }
  PaintBox* WaveBox() const { return PaintBox1; }
  PaintBox* PreviewBox() const { return PaintBox2; }
  // The size the run draws its pictures at: the preview's for playback,
  // the video frame's for an export. The preview shows them scaled to fit.
  QSize PictureSize() const { return pictureSize_; }
  // The preview in a window of its own (double click on the preview).
  PreviewWindow* OpenPreviewWindow();
  // Shows a picture of the run in the preview (and its window, if open).
  void ShowPicture(const QImage& picture);
  ProgressPanel* Progress() const { return progress_; }

  // Reports progress of a long command in the status bar (0 ... 100).
  void SetProStatus(int percent);
  // The status bar's first panel: what is running, or how it ended.
  void ShowStatusText(const QString& text);
  QString StatusText() const;

  // MP3 import: the layer-3 formats the codecs offered at start-up, the
  // converter, and the conversion of one MP3 file into a WAV file.
  const std::vector<WaveFormatBlock>& MP3FormatList() const { return mp3FormatList_; }
  int MP3FormatCount() const { return static_cast<int>(mp3FormatList_.size()); }
  TACMConvertor& mp3wav() { return *mp3wav_; }
  void ConvertMP3WAV(const std::string& source, const std::string& destination);

  // CD import: the transports the drives are found and read through (the
  // machine's by default), and the drives found the first time the CD
  // dialog opened.
  void SetCdTransports(std::unique_ptr<cdda::PassThroughTransport> passThrough,
                       std::unique_ptr<cdda::ScsiGenericLoader> generic);
  const cdda::CDDriveList& CDDrives() const { return cdDriveList_; }

  // Plays the selection (or the whole sound) with the live picture, on a
  // worker. Only one run at a time: a start while one is active (or an
  // export) is refused (returns false).
  bool StartRun();

  // Opens a file named on the command line, as "Öffnen..." would once the
  // user has chosen it: the whole sound is shown, or the usual message.
  void OpenAtStart(const QString& name);

  // Command handlers.
  void OpenBtnClick();
  void SaveBtnClick();
  void Beenden1Click();
  void SelectNothingBtnClick();
  void ZoomOutFullClick();
  void ZoomInFullClick();
  void ZoomSelClick();
  void ZoomKleinerBtnClick();
  void ZoomGroesserBtnClick();
  void ZoomOutEdChange();
  void RxSlider1Change();
  void PaintBox1Paint();
  void PaintBox1MouseDown(Qt::MouseButton button, Qt::MouseButtons held, int x);
  void PaintBox1MouseMove(Qt::MouseButton button, Qt::MouseButtons held, int x);
  void PaintBox1MouseUp(Qt::MouseButton button, Qt::MouseButtons held, int x);
  void berdasProgramm1Click();
  void PlayBtnClick();
  void Button1Click();
  // "Speichern als Disc-Abbild..." (menu and button).
  void DiscImageClick();
  // The format of the radio buttons and the TV system chosen beside them.
  DiscPreset ChosenPreset() const;
  TvSystem ChosenTvSystem() const;
  void StopBTNClick();
  void BitBtnXP1Click();
  void CropToSelectionClick();
  void CutSelectionBtnClick();
  void ChangeFormatClick();
  void Lauter101Click();
  void Leiser101Click();
  void MaximaleLautstrke1Click();
  void Weicheinblenden1Click();
  void Weichausblenden1Click();
  void EndeaufAnfangberblenden1Click();
  void Echo1Click();
  void Rckwrts1Click();
  void Schneller101Click();
  void Langsamer101Click();
  void MusikCDBtnClick();
  // "Rückgängig" and "Wiederholen".
  void UndoClick();
  void RedoClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // A sound file dropped on the window is opened as "Öffnen..." opens it.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // main_form_layout.cpp
  void BuildWindow();
  void BuildTopPanel(QWidget* panel);
  void BuildEditPanel(QWidget* panel);
  QWidget* BuildPage();
  void BuildStatusBar();
  void BuildMenus();
  // A button at its place in the layout that is `action` (window_actions.h).
  QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                         QAction* action);

  // main_form_commands.cpp
  void BindCommands();
  template <class Handler>
  void Guard(Handler&& handler);
  // The same for work that comes back from a worker.
  void Guarded(const std::function<void()>& handler);

  // main_form_jobs.cpp: an export or a disc image on the worker. The window
  // is turned to it (BeginJob) and back (EndJob); `afterOnWorker` runs on
  // the worker once the video is written (the image's second stage), `done`
  // on the window's thread at the very end.
  void BeginJob();
  void EndJob();
  void StartExportJob(const ExportRequest& request, bool keepStopped, std::function<void(double)> progress,
                      std::function<void(const ExportOutcome&)> afterOnWorker,
                      std::function<void(const ExportOutcome&)> done);
  void StopJob();
  // The text line or the font changed: the pictures still to come take them.
  void TellJobAboutPicture();
  void MoveCursor(std::int64_t lastFrame);
  void EnableExportCommands(bool enabled);
  // Says why the sound cannot be exported (none loaded, no frame, a rate
  // the run cannot play) and returns true; false when it can.
  bool RefuseUnplayableSound();
  void EnableExportButton(bool enabled);
  void ShowWholeSound();
  // main_form_history.cpp
  ViewState CurrentView() const;
  void ShowView(const ViewState& view);
  bool Edit(EditCommand command, const EditArguments& arguments = {});
  void NewHistory(const QString& soundName);
  void ShowHistoryState();
  // Before the sound is replaced or the window closes: asks about unsaved
  // changes and saves them when asked to. False when the sound must stay.
  bool MayLetSoundGo();
  bool SaveSound();
  std::optional<double> AskSeconds(double preset);
  // The font the picture's text is really drawn in, as the font button's
  // tooltip.
  void ShowPictureFont();
  void PaintBox1Draw(QPainter& painter);
  void PaintBox2Draw(QPainter& painter);

  friend class MainFormMp3Host;
  // main_form_mp3.cpp
  void CreateMp3Import();
  void DiscoverMp3Formats();

  void FormCreate();
  void FormClose();
  void FormDestroy();

  // main_form_import.cpp
  void CreateAudioImport();
  void OpenFile(const QString& name);
  // On the window's thread, once the worker has read the file.
  void TakeOpenedFile(const QString& name, AudioDocument read, bool opened, const ImportReport& report,
                      const std::string& thrown, bool outOfMemory);
  std::int32_t MarkUnderPointer(int x) const;
  int ViewWidth() const;

  UserPrompts& prompts_;
  WindowActions actions_;
  std::unique_ptr<acm::AcmManager> codecs_;
  std::unique_ptr<TACMConvertor> mp3wav_;
  std::vector<WaveFormatBlock> mp3FormatList_;
  std::unique_ptr<MainFormMp3Host> mp3Host_;
  Mp3Decoder* mp3Decoder_ = nullptr;
  std::unique_ptr<AudioDecoder> audioDecoder_;
  std::unique_ptr<BackgroundJob> job_;
  std::unique_ptr<WorkerRunHost> runHost_;   // the export's or the image's
  std::unique_ptr<BackgroundJob> playJob_;   // playback
  std::unique_ptr<WorkerRunHost> playHost_;
  // Held while the sound is changed, and by playback while it fills a block.
  std::mutex soundLock_;
  std::optional<TimeLeft> jobTime_;
  bool reading_ = false;  // a file is being decoded
  std::optional<TimeLeft> readTime_;
  ReportGate readGate_;
  std::unique_ptr<SoundDevice> sound_;
  MediaWriterFactory writerFactory_;
  DiscToolsFactory discToolsFactory_;
  Forms forms_;
  RecentFolder recentFolder_;

  // main_form_cdda.cpp
  bool CDDrivesFound = false;
  cdda::CDDriveList cdDriveList_;
  std::unique_ptr<cdda::PassThroughTransport> cdPassThrough_ = cdda::CreateSgIoPassThrough();
  std::unique_ptr<cdda::ScsiGenericLoader> cdGeneric_ = cdda::CreateScsiGenericLoader();

  AudioDocument doc_;
  SoundTags tags_;
  EditHistory history_;
  QString soundName_;
  QImage waveBitmap_;
  bool stopRequested_ = false;
  bool terminateRequested_ = false;
  bool running_ = false;
  bool exportMode_ = false;
  // While an export or a disc image is made: the commands that change the
  // sound are off, so the file gets the sound as it was when it started.
  bool soundLocked_ = false;
  int cursorX_ = -1;
  QImage previewImage_;
  QSize pictureSize_{400, 400};
  PreviewWindow* previewWindow_ = nullptr;  // a child of the window, made on first use
  QFont pictureFont_;
  bool inPaintEvent_ = false;
  int paintCount_ = 0;

  // Controls, named as in the window's layout.
  QRadioButton* Mp4Radio720 = nullptr;
  QRadioButton* Mp4Radio1080 = nullptr;
  QRadioButton* PalRadio = nullptr;
  QRadioButton* NtscRadio = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QRadioButton* RadioButton3 = nullptr;
  QLineEdit* Edit1 = nullptr;
  ZoomSpinEdit* ZoomOutEd = nullptr;
  QCheckBox* SchleifeCheck = nullptr;
  PaintBox* PaintBox1 = nullptr;
  PaintBox* PaintBox2 = nullptr;
  QScrollBar* RxSlider1 = nullptr;
  ProgressPanel* progress_ = nullptr;
  QLabel* StatusText_ = nullptr;
  QString statusText_;
};

}  // namespace sonavix
