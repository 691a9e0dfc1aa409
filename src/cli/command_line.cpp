#include "cli/command_line.h"

#include <unistd.h>

#include <QGuiApplication>
#include <QThread>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/disc_render.h"
#include "cli/progress_board.h"
#include "cli/render_batch.h"
#include "cli/render_options.h"
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

// Qt's own notes (where it keeps runtime files, ...) are not for the user
// of a render; only its errors are.
void OnlyQtErrors(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

void Print(std::FILE* out, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), out);
}

int ListAllPresets() {
  const std::unique_ptr<MediaWriter> writer = CreateMediaWriter();
  for (const ExportPreset& preset : ExportPresets())
    Print(stdout, QString::fromStdString(DescribePreset(preset, *writer)) + QLatin1Char('\n'));
  return 0;
}

int Render(const RenderOptions& options) {
  auto planned = PlanOutputs(options);
  if (auto* error = std::get_if<UsageError>(&planned)) return ReportUsageError(error->message);
  const auto& files = std::get<std::vector<BatchFile>>(planned);
  // Temporary files of earlier runs that were killed before they could
  // remove them; those of copies still running stay.
  RemoveStaleTempFiles(kTempWavePrefix, ".wav");
  StopOnSignals();
  ProgressBoard board(stderr, ::isatty(STDERR_FILENO) == 1, options.quiet);
  if (!options.discImage.isEmpty()) return RenderDiscImage(options, board, stopRequested);
  const BatchSummary summary = RenderBatch(options, files, board, stopRequested);
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
  // Drawing text needs a graphical application; the off-screen one needs
  // no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(OnlyQtErrors);
  QGuiApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Sonavix"));
  QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
  InstallGermanTranslations(app);
  const CommandLineRequest request =
      ReadCommandLine(QCoreApplication::arguments(), QThread::idealThreadCount());
  if (const auto* error = std::get_if<UsageError>(&request)) return ReportUsageError(error->message);
  if (std::holds_alternative<ListPresets>(request)) return ListAllPresets();
  if (const auto* options = std::get_if<RenderOptions>(&request)) return Render(*options);
  return AnswerHelpOrVersion(request).value_or(kUsageStatus);
}

}  // namespace sonavix
