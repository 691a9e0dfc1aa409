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

#include "app/background_job.h"
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
  // Called on the open's worker: what it tells goes over to the window.
  audioDecoder_ = std::make_unique<FfmpegAudioDecoder>(
      [this](double done) {
        if (!readGate_.Due() && done < 1.0) return;
        const int percent = static_cast<int>(done * 100);
        const std::optional<double> left = readTime_ ? readTime_->Estimate(done) : std::nullopt;
        job_->Post([this, percent, left] {
          SetProStatus(percent);
          ShowStatusText(ReadProgressText(percent, left));
        });
      },
      [this] { return job_->StopRequested(); });
  // Escape does what STOP does, wherever the focus is.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] {
    if (actions_.stop->isEnabled()) StopBTNClick();
  });
}

void TMainForm::OpenBtnClick() {
  // A second open while a file is being read would change the converter's
  // formats (MP3) or the block (any other) under the running read.
  if (reading_ || soundLocked_) return;
  if (!MayLetSoundGo()) return;
  const std::optional<QString> name = prompts_.AskOpenFileName(this, OpenDialog1(recentFolder_.Start()));
  if (name) OpenFile(*name);
}

// The file is read on the worker into a document of its own; the window's
// sound is replaced only when it is there (a failure or STOP leave it as it
// was). Meanwhile nothing may change or replace the sound, and STOP (or
// Escape) ends the reading.
void TMainForm::OpenFile(const QString& name) {
  if (job_->Running()) return;
  const bool run = running_;
  reading_ = true;
  readTime_.emplace();
  readGate_ = ReportGate();
  EnableExportCommands(false);
  if (!run) actions_.stop->setEnabled(true);
  struct Read {
    AudioDocument doc;
    ImportReport report;
    bool opened = false;
    std::string thrown;  // an error that escaped the reading, as the guard would show it
    bool outOfMemory = false;
  };
  auto read = std::make_shared<Read>();
  job_->Start([this, read, path = LocalPath(name), name, run] {
    try {
      read->opened = OpenSoundFile(read->doc, path, mp3Decoder_, audioDecoder_.get(), &read->report);
    } catch (const std::bad_alloc&) {
      read->outOfMemory = true;
    } catch (const std::exception& error) {
      read->thrown = error.what();
    }
    job_->Finish([this, read, name, run] {
      reading_ = false;
      EnableExportCommands(true);
      if (!run) actions_.stop->setEnabled(false);
      SetProStatus(0);
      ShowStatusText(QString());
      Guarded([&] { TakeOpenedFile(name, std::move(read->doc), read->opened, read->report, read->thrown, read->outOfMemory); });
    });
  });
}

void TMainForm::TakeOpenedFile(const QString& name, AudioDocument read, bool opened, const ImportReport& report,
                               const std::string& thrown, bool outOfMemory) {
  for (const std::string& error : mp3Host_->TakeErrors()) prompts_.ShowError(this, QString::fromStdString(error));
  doc_.SelStart = doc_.SelEnd = 0;  // as after any open, read or not
  if (outOfMemory) {
    prompts_.ShowError(this, kOutOfMemory);
  } else if (!thrown.empty()) {
    prompts_.ShowError(this, QString::fromLocal8Bit(thrown.c_str()));
  } else if (opened) {
    {
      const std::lock_guard lock(soundLock_);  // a playing run takes the new sound at its next block
      ReplaceBlock(doc_, SampleBlock{std::move(read.SampleData), read.DataSize}, read.Format());
    }
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
