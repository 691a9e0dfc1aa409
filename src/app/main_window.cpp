#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "app/edit_controller.h"
#include "app/export_controller.h"
#include "app/format_choice.h"
#include "app/import_controller.h"
#include "app/messages.h"
#include "app/picture_choices.h"
#include "app/picture_settings.h"
#include "app/playback_controller.h"
#include "app/preview_box.h"
#include "app/user_prompts.h"
#include "app/time_ruler.h"
#include "app/waveform_view.h"
#include "document/local_names.h"
#include "playback/sound_device.h"

namespace sonavix {

MainWindow::MainWindow(UserPrompts& prompts, std::unique_ptr<SoundDevice> sound,
                       std::unique_ptr<acm::AcmManager> codecs, QWidget* parent)
    : QMainWindow(parent),
      prompts_(prompts),
      context_{this, prompts, session_, status_, recent_},
      sound_(std::move(sound)) {
  actions_ = CreateWindowActions(this);
  picture_ = new PictureSettings(actions_.chooseFont, this);
  view_ = new WaveformView(session_.doc);
  preview_ = new PreviewBox;
  BuildWindow();
  playback_ = new PlaybackController(context_, sound_.get(), *picture_, *view_, *preview_);
  editing_ = new EditController(context_, forms_, *view_);
  import_ = new ImportController(context_, forms_, std::move(codecs));
  export_ = new ExportController(context_, {*format_, *picture_, *view_, *preview_, *playback_});
  BindCommands();
  ShowState();
  // Without sound output the program cannot play or show its pictures: it
  // says so once and ends as soon as its message loop runs.
  if (!sound_ || !sound_->Open()) {
    prompts_.ShowMessage(this, kCannotInitSound);
    terminateRequested_ = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
  }
}

MainWindow::~MainWindow() {
  // The workers read the sound and play through the output: they end
  // before either goes.
  delete playback_;
  delete export_;
  delete import_;
  if (sound_) sound_->Stop();
}

void MainWindow::BindCommands() {
  const auto bind = [this](QAction* action, auto command) {
    connect(action, &QAction::triggered, this, [this, command] { ShowingErrors(context_, command); });
  };
  const WindowActions& a = actions_;
  EditController* edit = editing_;
  WaveformView* view = view_;
  bind(a.open, [this] { import_->Open(); });
  bind(a.saveWav, [edit] { edit->SaveWav(); });
  bind(a.exportVideo, [this] { export_->ExportVideo(); });
  bind(a.discImage, [this] { export_->SaveDiscImage(); });
  bind(a.readCd, [this] { import_->ReadCd(); });
  bind(a.quit, [this] { close(); });
  bind(a.undo, [edit] { edit->Undo(); });
  bind(a.redo, [edit] { edit->Redo(); });
  bind(a.cropToSelection, [edit] { edit->CropToSelection(); });
  bind(a.cutSelection, [edit] { edit->CutSelection(); });
  bind(a.selectNothing, [view] { view->SelectNothing(); });
  bind(a.selectAll, [view] { view->SelectAll(); });
  bind(a.chooseSelection, [this] { ChooseSelection(); });
  bind(a.goToStart, [view] { view->GoToStart(); });
  bind(a.goToEnd, [view] { view->GoToEnd(); });
  bind(a.playOrStop, [this] {
    if (playback_->Running()) return Stop();
    stopRequested_ = false;
    playback_->Start();
  });
  bind(a.clearRecentFiles, [this] {
    recent_.ClearFiles();
    FillRecentFiles();
  });
  bind(a.changeSampleFormat, [edit] { edit->ChangeSampleFormat(); });
  bind(a.zoomWholeFile, [view] { view->ZoomWholeFile(); });
  bind(a.zoomFull, [view] { view->ZoomFull(); });
  bind(a.zoomToSelection, [view] { view->ZoomToSelection(); });
  bind(a.zoomSmaller, [view] { view->ZoomSmaller(); });
  bind(a.zoomLarger, [view] { view->ZoomLarger(); });
  bind(a.echo, [edit] { edit->Echo(); });
  bind(a.fadeIn, [edit] { edit->FadeIn(); });
  bind(a.fadeOut, [edit] { edit->FadeOut(); });
  bind(a.crossfadeEndToStart, [edit] { edit->CrossfadeEndToStart(); });
  bind(a.maximumVolume, [edit] { edit->MaximumVolume(); });
  bind(a.louder, [edit] { edit->Louder(); });
  bind(a.quieter, [edit] { edit->Quieter(); });
  bind(a.reverse, [edit] { edit->Reverse(); });
  bind(a.faster, [edit] { edit->Faster(); });
  bind(a.slower, [edit] { edit->Slower(); });
  bind(a.about, [this] {
    if (forms_.about) prompts_.RunModal(*forms_.about);
  });
  bind(a.play, [this] {
    stopRequested_ = false;
    playback_->Start();
  });
  bind(a.stop, [this] { Stop(); });
  bind(a.chooseFont, [this] { picture_->ChooseFont(prompts_, this); });
  BindPictureCommands();

  // What the controllers report comes back to the window's state.
  const auto showState = [this] { ShowState(); };
  connect(playback_, &PlaybackController::StateChanged, this, showState);
  connect(editing_, &EditController::StateChanged, this, showState);
  connect(import_, &ImportController::StateChanged, this, showState);
  connect(export_, &ExportController::StateChanged, this, showState);
  connect(format_, &FormatChoice::Changed, this, [this] {
    picture_->SetFormat(format_->Preset(), format_->Tv());
    ShowState();
  });
  connect(picture_, &PictureSettings::Changed, this, [this] {
    playback_->TellAboutPicture();
    export_->TellAboutPicture();
  });
  playback_->SetExporting([this] { return export_->Running(); });
  // The preview shows a still of what would be written whenever the sound,
  // the marks or the picture change.
  const auto still = [this] { playback_->ShowStill(); };
  connect(view_, &WaveformView::MarksChanged, this, still);
  connect(editing_, &EditController::TimelineChanged, picture_, &PictureSettings::SetTimeline);
  connect(editing_, &EditController::StateChanged, this, still);
  connect(import_, &ImportController::StateChanged, this, still);
  playback_->ShowStill();
  BindKeysAndMarks();
  import_->SetMayReplaceSound([edit] { return edit->MayLetSoundGo(); });
  connect(import_, &ImportController::SoundReplaced, edit, &EditController::StartHistory);
  connect(import_, &ImportController::SoundShown, this, [this](const QString& songName) {
    picture_->SetTags(session_.tags);
    picture_->SetSong(session_.file);
    picture_->SuggestText(songName);
    view_->ShowWholeSound();
  });
}

void MainWindow::BindPictureCommands() {
  const auto bind = [this](QAction* action, auto command) {
    connect(action, &QAction::triggered, this, [this, command] { ShowingErrors(context_, command); });
  };
  const WindowActions& a = actions_;
  PictureSettings* picture = picture_;
  bind(a.chooseImage, [this] { ChooseImage(*picture_, prompts_, this, recent_.Start()); });
  bind(a.songCover, [this] { UseSongCover(*picture_, prompts_, this); });
  bind(a.noImage, [picture] { picture->SetImage({}, {}); });
  bind(a.imageFills, [picture] { picture->SetImageFit(ImageFit::Cover); });
  bind(a.imageWhole, [picture] { picture->SetImageFit(ImageFit::Contain); });
  bind(a.chooseLyrics, [this] {
    const QString skipped = ChooseLyrics(*picture_, prompts_, this, recent_.Start());
    if (!skipped.isEmpty()) status_.ShowText(skipped);
  });
  bind(a.noLyrics, [picture] { picture->SetLyrics(nullptr, {}); });
  bind(a.textColour, [this] { ChooseTextColour(*picture_, prompts_, this); });
  bind(a.formatColour, [picture] { picture->SetTextColour(std::nullopt); });
  bind(a.placeTop, [picture] { picture->SetTextPlace(TextLook::Place::Top); });
  bind(a.placeMiddle, [picture] { picture->SetTextPlace(TextLook::Place::Middle); });
  bind(a.placeBottom, [picture] { picture->SetTextPlace(TextLook::Place::Bottom); });
  bind(a.formatPlace, [picture] { picture->SetTextPlace(std::nullopt); });
  bind(a.sixtyFrames, [this] { picture_->SetWebFrameRate(actions_.sixtyFrames->isChecked() ? 60 : 30); });
  picture_->SetFormat(format_->Preset(), format_->Tv());
}

void MainWindow::Stop() {
  stopRequested_ = true;
  playback_->Stop();
  export_->Stop();
  import_->Stop();
}

void MainWindow::ShowState() {
  const EditHistory& history = session_.history;
  CommandState state;
  state.playing = playback_->Running();
  state.exporting = export_->Running();
  state.reading = import_->Reading();
  state.discFormat = IsDiscFormat(format_->Preset());
  state.canUndo = history.CanUndo();
  state.canRedo = history.CanRedo();
  EnableActions(actions_, state);
  ShowHistory(actions_, history);

  setWindowTitle(session_.name.isEmpty() ? kProgramTitle
                                         : QStringLiteral("%1 – %2%3").arg(kProgramTitle, session_.name,
                                                                           history.Modified() ? QStringLiteral(" *")
                                                                                              : QString()));
}

bool MainWindow::Busy() const { return playback_->Running() || export_->Running() || import_->Reading(); }

void MainWindow::OpenAtStart(const QString& name) {
  ShowingErrors(context_, [&] { import_->OpenFile(name); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!editing_->MayLetSoundGo()) return event->ignore();
  Stop();
  StoreSettings();
  event->accept();
}

namespace {

// The first local file among the dropped links, with its name's own bytes
// (a link carries them percent-encoded, whether they are UTF-8 or not).
QString DroppedFile(const QMimeData& data) {
  for (const QUrl& url : data.urls()) {
    if (!url.isLocalFile()) continue;
    return NameFromBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
  }
  return {};
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (actions_.open->isEnabled() && !DroppedFile(*event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString name = DroppedFile(*event->mimeData());
  if (!actions_.open->isEnabled() || name.isEmpty()) return;
  event->acceptProposedAction();
  ShowingErrors(context_, [&] {
    if (import_->Reading() || session_.held || !editing_->MayLetSoundGo()) return;
    import_->OpenFile(name);
  });
}

}  // namespace sonavix
