#include "cli/command_line.h"

#include <unistd.h>

#include <QFontInfo>
#include <QGuiApplication>
#include <QThread>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/album_render.h"
#include "cli/disc_render.h"
#include "cli/input_list.h"
#include "cli/job_count.h"
#include "cli/progress_board.h"
#include "cli/render_batch.h"
#include "cli/render_options.h"
#include "document/local_names.h"
#include "document/sound_files.h"
#include "document/temp_files.h"
#include "document/translations.h"
#include "export/presets.h"
#include "video/media_writer.h"

namespace sonavix {

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void RequestStop(int) { stopRequested.store(true); }

void StopOnSignals() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);
}

// Progress written into a pipe that was closed (`| head`) is lost, not a
// reason to die: the render goes on and cleans up as usual.
void SurviveClosedPipes() { ::signal(SIGPIPE, SIG_IGN); }

// Qt's own notes (where it keeps runtime files, ...) are not for the user
// of a render; only its errors are.
void OnlyQtErrors(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

void Print(std::FILE* out, const QString& text) { std::fputs(BytesFromName(text).constData(), out); }

// A font the machine does not have is drawn in another one; the user
// hears which, and the render goes on.
void WarnOfStandInFont(const RenderOptions& options) {
  if (!options.font) return;
  const QString used = QFontInfo(*options.font).family();
  if (used.compare(options.font->family(), Qt::CaseInsensitive) == 0) return;
  Print(stderr, QStringLiteral("Warnung: Die Schrift „%1“ gibt es hier nicht; der Text wird in „%2“ gesetzt.\n")
                    .arg(options.font->family(), used));
}

int ListAllPresets() {
  const std::unique_ptr<MediaWriter> writer = CreateMediaWriter();
  for (const ExportPreset& preset : ExportPresets())
    Print(stdout, QString::fromStdString(DescribePreset(preset, *writer)) + QLatin1Char('\n'));
  return 0;
}

int Render(RenderOptions options) {
  if (!options.list.isEmpty()) {
    auto listed = ReadInputList(options.list, options.nulSeparated);
    if (const auto* error = std::get_if<QString>(&listed)) return ReportUsageError(*error);
    options.inputs += std::get<QStringList>(listed);
  }
  if (!options.albumVideo.isEmpty()) {
    StopOnSignals();
    WarnOfStandInFont(options);
    ProgressBoard board(stderr, ::isatty(STDERR_FILENO) == 1, options.quiet);
    return RenderAlbumVideo(options, board, stopRequested);
  }
  if (!options.jobsChosen) options.jobs = DefaultJobs(options.jobs, AvailableMemoryBytes(), options.preset->disc);
  auto planned = PlanOutputs(options);
  if (auto* error = std::get_if<UsageError>(&planned)) return ReportUsageError(error->message);
  // Every worker plans the whole list, so that all of them agree on where
  // each output goes, then takes its share.
  const std::vector<BatchFile> files = FilesOfShard(options, std::get<std::vector<BatchFile>>(planned));
  std::unique_ptr<BatchReport> report;
  if (!options.report.isEmpty()) {
    QString error;
    report = BatchReport::Open(options.report, error);
    if (!report) return ReportUsageError(error);
  }
  // Temporary files of earlier runs that were killed before they could
  // remove them; those of copies still running stay.
  RemoveStaleTempFiles(kTempWavePrefix, ".wav");
  StopOnSignals();
  WarnOfStandInFont(options);
  ProgressBoard board(stderr, ::isatty(STDERR_FILENO) == 1, options.quiet);
  if (!options.discImage.isEmpty()) return RenderDiscImage(options, board, stopRequested);
  const BatchSummary summary = RenderBatch(options, files, board, stopRequested, report.get());
  board.Say(SummaryText(summary), summary.failed > 0 || summary.stopped);
  if (summary.outsideSound > 0) Print(stderr, QStringLiteral("\n") + UsageLines());
  return BatchStatus(summary);
}

}  // namespace

bool WantsNoWindow(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    if (std::strcmp(argv[i], "--render") == 0 || std::strcmp(argv[i], "--list-presets") == 0)
      return true;
  }
  return false;
}

int RunWithoutWindow(int argc, char** argv) {
  SurviveClosedPipes();
  // Drawing text needs a graphical application; the off-screen one needs
  // no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(OnlyQtErrors);
  QGuiApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Sonavix"));
  QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
  InstallGermanTranslations(app);
  // The arguments as their bytes are (Qt has taken out its own options):
  // a file name that is no UTF-8 is still that file.
  const CommandLineRequest request = ReadCommandLine(ArgumentsFromArgv(argc, argv), QThread::idealThreadCount());
  if (const auto* error = std::get_if<UsageError>(&request)) return ReportUsageError(error->message);
  if (std::holds_alternative<ListPresets>(request)) return ListAllPresets();
  if (const auto* options = std::get_if<RenderOptions>(&request)) return Render(*options);
  return AnswerHelpOrVersion(request).value_or(kUsageStatus);
}

}  // namespace sonavix
