#include "cli/render_batch.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <mutex>
#include <thread>

#include "cli/finished_record.h"
#include "document/local_names.h"
#include "export/render_job.h"
#include "video/picture_font.h"

namespace sonavix {

namespace {

// The input's name with the preset's extension instead of its own, in
// `folder`; beside the input when the folder is empty.
QString WithExtension(const QString& input, const QString& folder, const char* extension) {
  const QFileInfo info(input);
  const QString name = (info.suffix().isEmpty() ? info.fileName() : info.completeBaseName()) +
                       QString::fromLatin1(extension);
  if (!folder.isEmpty()) return QDir(folder).filePath(name);
  const qsizetype slash = input.lastIndexOf(QLatin1Char('/'));
  return slash < 0 ? name : input.left(slash + 1) + name;
}

QString DoneText(const BatchFile& file, const RenderResult& result) {
  const QString where = file.temporary ? file.input : file.input + QStringLiteral(" → ") + file.output;
  return QStringLiteral("%1: fertig, %2 Spielzeit, %3")
      .arg(where, QString::fromStdString(FormatClock(result.seconds)),
           QString::fromStdString(FormatFileSize(result.bytes)));
}

QString FilesText(int n) {
  return n == 1 ? QStringLiteral("1 Datei") : QStringLiteral("%1 Dateien").arg(n);
}

}  // namespace

std::variant<std::vector<BatchFile>, UsageError> PlanOutputs(const RenderOptions& options) {
  std::vector<BatchFile> files;
  QSet<QString> taken;
  const bool intoFolder = !options.output.isEmpty() && IsFolder(options.output);
  for (const QString& input : options.inputs) {
    const QString output = intoFolder || options.output.isEmpty()
                               ? WithExtension(input, options.output, options.preset->extension)
                               : options.output;
    const QString key = QFileInfo(output).absoluteFilePath();
    if (taken.contains(key))
      return UsageError{QStringLiteral("Zwei Eingabedateien ergäben dieselbe Ausgabe „%1“.").arg(output)};
    taken.insert(key);
    files.push_back({input, output});
  }
  return files;
}

RenderRequest RequestFor(const RenderOptions& options, const QString& input, const QString& output,
                         const QFont& font) {
  RenderRequest request;
  request.input = LocalPath(input);
  request.output = LocalPath(output);
  request.preset = options.preset->disc;
  request.tv = options.preset->tv;
  request.text = options.text;
  request.textFromTags = !options.textGiven;
  request.subtext = options.subtext;
  request.textPlace = options.textPlace;
  request.textColour = options.textColour;
  request.webFrameRate = options.webFrameRate;
  request.image = options.image == QLatin1String("auto") ? std::string("auto") : LocalPath(options.image);
  request.imageFit = options.imageFit;
  request.lyrics = options.lyrics == QLatin1String("auto") ? std::string("auto") : LocalPath(options.lyrics);
  request.font = font;
  request.quality = options.quality;
  request.from = options.from;
  request.to = options.to;
  request.exactEnd = options.exactEnd;
  return request;
}

std::vector<BatchFile> FilesOfShard(const RenderOptions& options, const std::vector<BatchFile>& files) {
  if (!options.shard) return files;
  std::vector<BatchFile> mine;
  for (const std::size_t i : ShardPositions(files.size(), *options.shard)) mine.push_back(files[i]);
  return mine;
}

BatchSummary RenderBatch(const RenderOptions& options, const std::vector<BatchFile>& files,
                         ProgressBoard& board, const std::atomic<bool>& stop, BatchReport* report,
                         const std::string& writerName) {
  const TimeLeft clock;
  BatchSummary summary;
  std::mutex mutex;
  std::atomic<std::size_t> next{0};
  const QFont font = options.font ? *options.font : DefaultPictureFont();
  const std::size_t workers = std::min<std::size_t>(std::size_t(std::max(options.jobs, 1)), files.size());
  // Files side by side keep the cores busy already: a thread per encoder
  // would only add copying and waiting. The bytes are the same either way.
  const std::string writer = !writerName.empty() ? writerName : workers > 1 ? "ffmpeg-direct" : "";

  const auto work = [&] {
    for (std::size_t i = next++; i < files.size() && !stop.load(); i = next++) {
      const BatchFile& file = files[i];
      const RenderRequest request = RequestFor(options, file.input, file.output, font);
      const TimeLeft fileClock;
      ReportLine line;
      line.input = file.input;
      line.output = file.output;
      line.preset = options.preset->name;
      if (options.skipExisting) {
        if (const std::optional<FinishedOutput> done = FindFinished(request, line.preset)) {
          board.Say(QStringLiteral("%1: übersprungen, „%2“ ist schon fertig").arg(file.input, file.output), false);
          line.status = "skipped";
          line.reason = QStringLiteral("Die Ausgabe ist schon fertig, aus derselben Eingabe mit denselben Optionen.");
          line.playingTime = done->seconds;
          line.bytes = done->bytes;
          line.sha256 = done->sha256;
          line.seconds = fileClock.Elapsed();
          if (report) report->Add(line);
          const std::lock_guard lock(mutex);
          ++summary.skipped;
          continue;
        }
      }
      if (options.Catalogue()) ForgetFinished(request.output);
      const int boardLine = board.Start(file.input);
      BoardObserver observer(board, boardLine, stop);
      const RenderResult result = RenderFile(request, observer, writer);
      if (!result.warning.empty())
        board.Say(QStringLiteral("%1: Warnung: %2").arg(file.input, QString::fromStdString(result.warning)), true);
      if (result.ok() && options.Catalogue()) {
        line.sha256 = FileSha256(request.output);
        if (!NoteFinished(request, line.preset, {result.seconds, result.bytes, line.sha256}))
          board.Say(QStringLiteral("%1: Warnung: Der Vermerk „%2“ ließ sich nicht schreiben; --skip-existing "
                                   "rendert die Datei wieder.")
                        .arg(file.output, NameFromLocalPath(FinishedNotePath(request.output))),
                    true);
      }
      if (result.ok())
        board.Finish(boardLine, DoneText(file, result), false);
      else
        board.Finish(boardLine, QStringLiteral("%1: %2").arg(file.input, QString::fromStdString(result.error)),
                     result.failure != RenderFailure::Stopped);
      if (report) {
        line.status = result.ok() ? "rendered" : result.failure == RenderFailure::Stopped ? "stopped" : "failed";
        line.reason = QString::fromStdString(result.error);
        line.seconds = fileClock.Elapsed();
        line.playingTime = result.seconds;
        line.bytes = result.ok() ? result.bytes : 0;
        report->Add(line);
      }
      const std::lock_guard lock(mutex);
      if (result.ok()) {
        ++summary.rendered;
        summary.seconds += result.seconds;
      } else if (result.failure == RenderFailure::Stopped) {
        summary.stopped = true;
      } else {
        ++summary.failed;
        if (result.failure == RenderFailure::Range) ++summary.outsideSound;
      }
    }
  };
  std::vector<std::thread> threads;
  for (std::size_t i = 1; i < workers; ++i) threads.emplace_back(work);
  work();
  for (std::thread& thread : threads) thread.join();
  summary.stopped = summary.stopped || stop.load();
  summary.elapsed = clock.Elapsed();
  return summary;
}

QString SummaryText(const BatchSummary& summary) {
  QString text = QStringLiteral("%1 gerendert, %2 Spielzeit in %3")
                     .arg(FilesText(summary.rendered), QString::fromStdString(FormatClock(summary.seconds)),
                          QString::fromStdString(FormatClock(summary.elapsed)));
  if (summary.elapsed > 0 && summary.seconds > 0)
    text += QStringLiteral(" (%1-fache Echtzeit)")
                .arg(QLocale(QLocale::German).toString(summary.seconds / summary.elapsed, 'f', 1));
  if (summary.skipped > 0)
    text += QStringLiteral("; %1 übersprungen (schon fertig)").arg(FilesText(summary.skipped));
  if (summary.failed > 0) text += QStringLiteral("; %1 fehlgeschlagen").arg(FilesText(summary.failed));
  if (summary.stopped) text += QStringLiteral("; abgebrochen");
  return text + QLatin1Char('.');
}

int BatchStatus(const BatchSummary& summary) {
  if (summary.stopped) return 130;
  if (summary.outsideSound > 0) return kUsageStatus;
  return summary.failed > 0 ? 1 : 0;
}

}  // namespace sonavix
