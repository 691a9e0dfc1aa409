// Opening a sound file: "Öffnen...", a file dropped on the window and the
// file named at start-up all come here. WAV and MP3 go their described
// ways; everything else FFmpeg reads is decoded with the bar and
// "Lesen: 42 % – noch 0:03" in the status bar, and STOP or Escape ends it
// with the sound left as it was. The song's tags name it in the status bar
// and fill an empty text line.

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include "app/main_form.h"
#include "app/main_form_mp3.h"
#include "app/messages.h"
#include "app/status_texts.h"
#include "app/user_prompts.h"
#include "app/zoom_spin_edit.h"
#include "document/local_names.h"
#include "document/sound_files.h"
#include "document/work_progress.h"
#include "import/ffmpeg_audio_decoder.h"
#include "view/zoom.h"

namespace sonavix {

namespace {

// Every kind of file the program reads, and then one filter per kind.
FileDialogSpec OpenDialog1(const QString& folder) {
  FileDialogSpec spec{folder, QStringLiteral("Alle Audiodateien"), {}, QStringLiteral("WAV")};
  spec.moreFilters = {
      {QStringLiteral("WAV-Datei"), {QStringLiteral("*.wav"), QStringLiteral("*.wave")}},
      {QStringLiteral("MP3-Datei"), {QStringLiteral("*.mp3")}},
      {QStringLiteral("FLAC-Datei"), {QStringLiteral("*.flac")}},
      {QStringLiteral("Ogg-Datei (Vorbis, Opus)"), {QStringLiteral("*.ogg"), QStringLiteral("*.oga")}},
      {QStringLiteral("Opus-Datei"), {QStringLiteral("*.opus")}},
      {QStringLiteral("M4A-Datei (AAC, ALAC)"), {QStringLiteral("*.m4a"), QStringLiteral("*.aac")}},
      {QStringLiteral("AIFF-Datei"), {QStringLiteral("*.aif"), QStringLiteral("*.aiff"), QStringLiteral("*.aifc")}},
      {QStringLiteral("AU-Datei"), {QStringLiteral("*.au"), QStringLiteral("*.snd")}},
      {QStringLiteral("W64-Datei"), {QStringLiteral("*.w64")}},
      {QStringLiteral("Video-Datei"),
       {QStringLiteral("*.mp4"), QStringLiteral("*.mkv"), QStringLiteral("*.webm"), QStringLiteral("*.mov")}},
  };
  for (const FileFilter& filter : spec.moreFilters) spec.patterns += filter.patterns;
  return spec;
}

}  // namespace

void TMainForm::CreateAudioImport() {
  audioDecoder_ = std::make_unique<FfmpegAudioDecoder>(
      [this](double done) {
        if (!readGate_.Due() && done < 1.0) return;
        const int percent = static_cast<int>(done * 100);
        SetProStatus(percent);
        ShowStatusText(ReadProgressText(percent, readTime_ ? readTime_->Estimate(done) : std::nullopt));
        QCoreApplication::processEvents();
      },
      [this] { return stopRequested_; });
  // Escape does what STOP does, wherever the focus is.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] {
    if (StopBTN->isEnabled()) StopBTNClick();
  });
}

void TMainForm::OpenBtnClick() {
  // A second open while a file is being read would change the converter's
  // formats (MP3) or the block (any other) under the running read.
  if (mp3Host_->Converting() || reading_ || soundLocked_) return;
  if (!MayLetSoundGo()) return;
  const std::optional<QString> name = prompts_.AskOpenFileName(this, OpenDialog1(recentFolder_.Start()));
  if (name) OpenFile(*name);
}

void TMainForm::OpenFile(const QString& name) {
  ImportReport report;
  bool opened = false;
  {
    // While a file is read, nothing may change or replace the sound, and
    // STOP (or Escape) ends the reading.
    const bool run = running_;
    reading_ = true;
    readTime_.emplace();
    readGate_ = ReportGate();
    EnableExportCommands(false);
    if (!run) {
      stopRequested_ = false;
      StopBTN->setEnabled(true);
    }
    struct Rest {
      TMainForm& form;
      bool run;
      ~Rest() {
        form.reading_ = false;
        form.EnableExportCommands(true);
        if (!run) form.StopBTN->setEnabled(false);
        form.SetProStatus(0);
        form.ShowStatusText(QString());
      }
    } rest{*this, run};
    opened = OpenSoundFile(doc_, LocalPath(name), mp3Decoder_, audioDecoder_.get(), &report);
  }
  if (opened) {
    recentFolder_.Remember(name);
    NewHistory(DisplayName(QFileInfo(name).fileName()));
    tags_ = report.tags;
    const QString tagLine = QString::fromStdString(TagLine(tags_));
    ShowStatusText(OpenedText(tagLine, QString::fromStdString(report.conversion)));
    // The song's name goes on the picture when the user has written nothing.
    if (!tagLine.isEmpty() && Edit1->text().isEmpty()) Edit1->setText(tagLine);
    if (!report.warning.empty()) prompts_.ShowMessage(this, QString::fromStdString(report.warning) + QLatin1Char('.'));
  } else if (report.stopped) {
    ShowStatusText(QStringLiteral("Lesen abgebrochen"));
  } else if (!report.error.empty()) {
    prompts_.ShowError(this, kCannotOpen + QStringLiteral(": ") + QString::fromStdString(report.error) + QLatin1Char('.'));
  } else if (!mp3Host_->TakeReportedFailure()) {
    prompts_.ShowError(this, kCannotOpen);
  }
  ZoomOutEd->SetValue(double(WholeFileZoom(doc_.SampleCount(), ViewWidth())));
  PaintBox1Paint();
}

}  // namespace sonavix
