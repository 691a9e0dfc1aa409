#include "cli/disc_render.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

#include "cli/render_batch.h"
#include "disc/disc_image.h"
#include "document/safe_file.h"
#include "export/render_job.h"

namespace sonavix {

namespace {

// Tells the board how the image comes on.
class ImageProgress final : public DiscImageObserver {
 public:
  ImageProgress(ProgressBoard& board, int line, const std::atomic<bool>& stop)
      : board_(board), line_(line), stop_(stop) {}
  void Progress(double done) override { board_.Update(line_, false, done); }
  bool StopRequested() const override { return stop_.load(); }

 private:
  ProgressBoard& board_;
  int line_;
  const std::atomic<bool>& stop_;
};

class Quiet final : public RenderObserver {
 public:
  explicit Quiet(const std::atomic<bool>& stop) : stop_(stop) {}
  bool StopRequested() const override { return stop_.load(); }

 private:
  const std::atomic<bool>& stop_;
};

int Fail(ProgressBoard& board, const QString& text) {
  board.Say(text, true);
  return 1;
}

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

QString DiscImageName(const QString& path, DiscPreset preset) {
  if (!QFileInfo(path).suffix().isEmpty()) return path;
  return path + (preset == DiscPreset::Dvd ? QStringLiteral(".iso") : QStringLiteral(".cue"));
}

int RenderDiscImage(const RenderOptions& options, ProgressBoard& board, const std::atomic<bool>& stop) {
  const DiscPreset preset = options.preset->disc;
  const QString image = DiscImageName(options.discImage, preset);
  if (CheckSaveTarget(Local(image)) != SaveTarget::Ok)
    return Fail(board, QStringLiteral("%1: Dorthin kann kein Abbild geschrieben werden (kein Ordner, kein "
                                      "Schreibrecht, oder keine gewöhnliche Datei).")
                           .arg(image));

  // Every song read first: what does not read, or an album too long for
  // the disc, stops everything before a byte is written.
  std::vector<double> seconds;
  for (const QString& input : options.inputs) {
    RenderRequest request;
    request.input = Local(input);
    request.from = options.from;
    request.to = options.to;
    Quiet quiet(stop);
    const RenderResult song = MeasureSong(request, quiet);
    if (song.failure == RenderFailure::Stopped) return 130;
    if (!song.ok()) {
      board.Say(QStringLiteral("%1: %2").arg(input, QString::fromStdString(song.error)), true);
      return song.failure == RenderFailure::Range ? kUsageStatus : 1;
    }
    seconds.push_back(song.seconds);
  }
  const std::string tooSmall = DiscTooSmall(preset, options.quality, seconds);
  if (!tooSmall.empty()) return Fail(board, QStringLiteral("%1: %2.").arg(image, QString::fromStdString(tooSmall)));
  board.Say(QStringLiteral("%1: etwa %2 erwartet (%3 Titel)")
                .arg(image, QString::fromStdString(FormatFileSize(ImageBytesFromSeconds(preset, options.quality, seconds))))
                .arg(seconds.size()),
            false);

  // The songs' MPEG files: where -o says, else in a folder beside the image
  // that goes again with everything in it.
  RenderOptions songs = options;
  songs.exactEnd = true;
  std::optional<QTemporaryDir> work;
  std::vector<BatchFile> files;
  if (options.output.isEmpty()) {
    work.emplace(QFileInfo(image).absolutePath() + QStringLiteral("/.sonavix-render-XXXXXX"));
    if (!work->isValid()) return Fail(board, QStringLiteral("%1: Konnte keinen Arbeitsordner anlegen.").arg(image));
    for (int i = 0; i < options.inputs.size(); ++i)
      files.push_back({options.inputs[i],
                       work->filePath(QStringLiteral("%1.mpg").arg(i + 1, 3, 10, QLatin1Char('0'))), true});
  } else {
    auto planned = PlanOutputs(options);
    if (auto* error = std::get_if<UsageError>(&planned)) {
      board.Say(error->message, true);
      return kUsageStatus;
    }
    files = std::get<std::vector<BatchFile>>(planned);
  }
  const BatchSummary summary = RenderBatch(songs, files, board, stop);
  if (summary.stopped) return 130;
  if (summary.failed > 0)
    return Fail(board, QStringLiteral("%1: Kein Abbild, %2 nicht gerendert.")
                           .arg(image, summary.failed == 1 ? QStringLiteral("1 Titel wurde")
                                                           : QStringLiteral("%1 Titel wurden").arg(summary.failed)));

  DiscImageRequest request;
  request.preset = preset;
  request.tv = options.preset->tv;
  request.target = Local(image);
  request.label = QFileInfo(image).completeBaseName().toUpper().left(32).toStdString();
  for (const BatchFile& file : files) request.tracks.push_back(Local(file.output));
  const int line = board.Start(image);
  ImageProgress progress(board, line, stop);
  const std::unique_ptr<DiscTools> tools = CreateDiscTools();
  const DiscImageResult result = BuildDiscImage(request, *tools, progress);
  if (result.stopped) {
    board.Finish(line, QStringLiteral("%1: abgebrochen").arg(image), true);
    return 130;
  }
  if (!result.ok) {
    board.Finish(line, QStringLiteral("%1: %2").arg(image, QString::fromStdString(result.error)), true);
    return 1;
  }
  board.Finish(line,
               QStringLiteral("%1: fertig, %2 Titel, %3 Spielzeit, %4")
                   .arg(image)
                   .arg(files.size())
                   .arg(QString::fromStdString(FormatClock(summary.seconds)),
                        QString::fromStdString(FormatFileSize(result.bytes))),
               false);
  return 0;
}

}  // namespace sonavix
