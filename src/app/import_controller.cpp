#include "app/import_controller.h"

#include <QWidget>
#include <QFileInfo>
#include <exception>
#include <new>

#include "app/background_job.h"
#include "app/messages.h"
#include "app/mp3_import_host.h"
#include "app/recent_places.h"
#include "app/sound_session.h"
#include "app/status_texts.h"
#include "app/user_prompts.h"
#include "app/window_status.h"
#include "document/local_names.h"
#include "import/ffmpeg_audio_decoder.h"
#include "texts/import_texts.h"

namespace sonavix {

namespace {

// Every kind of file the program reads, and then one filter per kind.
FileDialogSpec OpenDialog(const QString& folder) {
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

struct ImportController::Read {
  AudioDocument doc;
  ImportReport report;
  bool opened = false;
  std::string thrown;  // an error that escaped the reading, as the guard would show it
  bool outOfMemory = false;
};

ImportController::ImportController(const WindowContext& context, const Forms& forms,
                                   std::unique_ptr<acm::AcmManager> codecs)
    : QObject(context.window),
      context_(context),
      forms_(forms),
      codecs_(codecs ? std::move(codecs) : acm::CreateSystemAcm()),
      job_(std::make_unique<BackgroundJob>(nullptr)),
      mp3_(std::make_unique<Mp3ImportHost>(*codecs_, *job_, context.status)),
      mp3Decoder_(mp3_.get()),
      cdPassThrough_(cdda::CreateSgIoPassThrough()),
      cdGeneric_(cdda::CreateScsiGenericLoader()) {
  // Called on the open's worker: what it tells goes over to the window.
  decoder_ = std::make_unique<FfmpegAudioDecoder>(
      [this](double done) {
        if (!readGate_.Due() && done < 1.0) return;
        const int percent = static_cast<int>(done * 100);
        const std::optional<double> left = readTime_ ? readTime_->Estimate(done) : std::nullopt;
        job_->Post([this, percent, left] {
          context_.status.ShowProgress(percent);
          context_.status.ShowText(ReadProgressText(percent, left));
        });
      },
      [this] { return job_->StopRequested(); });
}

ImportController::~ImportController() {
  job_->StopAndWait();  // the worker reads the sound: it ends before the sound goes
}

bool ImportController::MayStart() const {
  // A second open while a file is being read would change the converter's
  // formats (MP3) or the block (any other) under the running read.
  return !reading_ && !context_.session.held;
}

void ImportController::Open() {
  if (!MayStart() || (mayReplaceSound_ && !mayReplaceSound_())) return;
  const std::optional<QString> name = context_.prompts.AskOpenFileName(context_.window, OpenDialog(context_.recent.Start()));
  if (name) OpenFile(*name);
}

void ImportController::OpenRecent(const QString& name) {
  if (!MayStart() || (mayReplaceSound_ && !mayReplaceSound_())) return;
  OpenFile(name);
}

void ImportController::OpenFile(const QString& name) {
  if (!MayStart() || job_->Running()) return;
  reading_ = true;
  context_.session.held = true;
  readTime_.emplace();
  readGate_ = ReportGate();
  emit StateChanged();
  auto read = std::make_shared<Read>();
  job_->Start([this, read, path = LocalPath(name), name] {
    try {
      read->opened = OpenSoundFile(read->doc, path, mp3Decoder_, decoder_.get(), &read->report);
    } catch (const std::bad_alloc&) {
      read->outOfMemory = true;
    } catch (const std::exception& error) {
      read->thrown = error.what();
    }
    job_->Finish([this, read, name] {
      reading_ = false;
      context_.session.held = false;
      context_.status.ShowProgress(0);
      context_.status.ShowText(QString());
      emit StateChanged();
      ShowingErrors(context_, [&] { TakeRead(name, *read); });
    });
  });
}

void ImportController::TakeRead(const QString& name, Read& read) {
  QWidget* window = context_.window;
  UserPrompts& prompts = context_.prompts;
  SoundSession& session = context_.session;
  for (const std::string& error : mp3_->TakeErrors()) prompts.ShowError(window, QString::fromStdString(error));
  session.doc.SelStart = session.doc.SelEnd = 0;  // as after any open, read or not
  QString songName;
  if (read.outOfMemory) {
    prompts.ShowError(window, kOutOfMemory);
  } else if (!read.thrown.empty()) {
    prompts.ShowError(window, QString::fromLocal8Bit(read.thrown.c_str()));
  } else if (read.opened) {
    {
      const std::lock_guard lock(session.lock);  // a playing run takes the new sound at its next block
      ReplaceBlock(session.doc, SampleBlock{std::move(read.doc.SampleData), read.doc.DataSize}, read.doc.Format());
    }
    context_.recent.Remember(name);
    context_.recent.RememberOpened(name);
    session.tags = read.report.tags;
    session.file = name;
    emit SoundReplaced(DisplayName(QFileInfo(name).fileName()));
    songName = QString::fromStdString(TagLine(session.tags));
    context_.status.ShowText(OpenedText(songName, QString::fromStdString(read.report.conversion)));
    if (read.report.shortfall)
      prompts.ShowMessage(window, QString::fromStdString(ImportProblemText(read.report.shortfall)) + QLatin1Char('.'));
  } else if (read.report.stopped) {
    context_.status.ShowText(QStringLiteral("Lesen abgebrochen"));
  } else if (read.report.problem) {
    prompts.ShowError(window, kCannotOpen + QStringLiteral(": ") +
                                  QString::fromStdString(ImportProblemText(read.report.problem)) + QLatin1Char('.'));
  } else if (!mp3_->TakeReportedFailure()) {
    prompts.ShowError(window, kCannotOpen);
  }
  emit SoundShown(songName);
}

void ImportController::Stop() { job_->RequestStop(); }

void ImportController::SetCdTransports(std::unique_ptr<cdda::PassThroughTransport> passThrough,
                                       std::unique_ptr<cdda::ScsiGenericLoader> generic) {
  cdPassThrough_ = std::move(passThrough);
  cdGeneric_ = std::move(generic);
}

}  // namespace sonavix
