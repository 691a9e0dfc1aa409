#include "cli/disc_render.h"

#include <QFileInfo>
#include <cstdio>
#include <optional>

#include "cli/render_batch.h"
#include "disc/disc_image.h"
#include "disc/image_plan.h"
#include "document/local_names.h"
#include "document/safe_file.h"
#include "document/scratch_files.h"
#include "export/render_job.h"
#include "texts/disc_texts.h"

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

// The image and its BIN file must not land on a file the render reads or
// writes: checked before anything runs, as a usage error.
std::optional<QString> ImageOverwrites(const QString& image, DiscPreset preset, const RenderOptions& options) {
  QStringList written = {image};
  if (preset != DiscPreset::Dvd) written << NameFromLocalPath(BinFileFor(LocalPath(image)));
  std::vector<BatchFile> outputs;
  if (!options.output.isEmpty()) {
    auto planned = PlanOutputs(options);
    if (auto* files = std::get_if<std::vector<BatchFile>>(&planned)) outputs = std::move(*files);
  }
  for (const QString& file : written) {
    const QString what = file == image ? QStringLiteral("Das Abbild") : QStringLiteral("Die BIN-Datei des Abbilds");
    for (const QString& input : options.inputs)
      if (SameFile(LocalPath(file), LocalPath(input)) || file == input)
        return QStringLiteral("%1 „%2“ würde die Eingabe „%3“ überschreiben.")
            .arg(what, DisplayName(file), DisplayName(input));
    for (const BatchFile& output : outputs)
      if (SameFile(LocalPath(file), LocalPath(output.output)) ||
          QFileInfo(file).absoluteFilePath() == QFileInfo(output.output).absoluteFilePath())
        return QStringLiteral("%1 „%2“ würde das Video „%3“ überschreiben.")
            .arg(what, DisplayName(file), DisplayName(output.output));
  }
  return std::nullopt;
}

}  // namespace

QString DiscImageName(const QString& path, DiscPreset preset) {
  return NameFromLocalPath(DiscImagePath(LocalPath(path), preset));
}

int RenderDiscImage(const RenderOptions& options, ProgressBoard& board, const std::atomic<bool>& stop) {
  const DiscPreset preset = options.preset->disc;
  const QString image = DiscImageName(options.discImage, preset);
  if (const std::optional<QString> clash = ImageOverwrites(image, preset, options)) return ReportUsageError(*clash);
  const std::string imagePath = LocalPath(image);
  if (CheckSaveTarget(imagePath) != SaveTarget::Ok ||
      (preset != DiscPreset::Dvd && CheckSaveTarget(BinFileFor(imagePath)) != SaveTarget::Ok))
    return Fail(board, QStringLiteral("%1: Dorthin kann kein Abbild geschrieben werden (kein Ordner, kein "
                                      "Schreibrecht, oder keine gewöhnliche Datei).")
                           .arg(image));

  // Every song read first: what does not read, an album too long for the
  // disc, a missing tool or too little room stop everything before a byte
  // is written.
  DiscImagePlan plan;
  plan.preset = preset;
  plan.quality = options.quality;
  plan.imageFolder = FolderOfPath(imagePath);
  plan.songsFolder = options.output.isEmpty() ? plan.imageFolder : LocalPath(options.output);
  if (!options.output.isEmpty() && !IsFolder(options.output)) plan.songsFolder = FolderOfPath(plan.songsFolder);
  for (const QString& input : options.inputs) {
    RenderRequest request;
    request.input = LocalPath(input);
    request.from = options.from;
    request.to = options.to;
    Quiet quiet(stop);
    const RenderResult song = MeasureSong(request, quiet);
    if (song.failure == RenderFailure::Stopped) return 130;
    if (!song.ok()) {
      board.Say(QStringLiteral("%1: %2").arg(input, QString::fromStdString(song.error)), true);
      return song.failure == RenderFailure::Range ? kUsageStatus : 1;
    }
    plan.seconds.push_back(song.seconds);
    plan.names.push_back(DisplayName(QFileInfo(input).fileName()).toStdString());
  }
  const std::unique_ptr<DiscTools> tools = CreateDiscTools();
  if (const DiscProblem problem = DiscImageProblem(plan, *tools))
    return Fail(board, QStringLiteral("%1: %2.").arg(image, QString::fromStdString(DiscProblemText(problem))));
  board.Say(QStringLiteral("%1: etwa %2 erwartet (%3 Titel)")
                .arg(image, QString::fromStdString(FormatFileSize(ImageBytesFromSeconds(preset, options.quality, plan.seconds))))
                .arg(plan.seconds.size()),
            false);

  // The songs' MPEG files: where -o says, else in a folder beside the image
  // that goes again with everything in it.
  RenderOptions songs = options;
  songs.exactEnd = true;
  std::optional<ScratchFolder> work;
  std::vector<BatchFile> files;
  if (options.output.isEmpty()) {
    RemoveAbandonedScratch(plan.imageFolder);
    work.emplace(plan.imageFolder);
    if (!work->ok()) return Fail(board, QStringLiteral("%1: Konnte keinen Arbeitsordner anlegen.").arg(image));
    for (int i = 0; i < options.inputs.size(); ++i)
      files.push_back({options.inputs[i],
                       NameFromLocalPath(work->path() + "/" + QStringLiteral("%1.mpg").arg(i + 1, 3, 10, QLatin1Char('0')).toStdString()),
                       true});
  } else {
    auto planned = PlanOutputs(options);
    if (auto* error = std::get_if<UsageError>(&planned)) return ReportUsageError(error->message);
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
  request.target = imagePath;
  request.label = VolumeLabel(QFileInfo(image).completeBaseName().toStdString());
  for (const BatchFile& file : files) request.tracks.push_back(LocalPath(file.output));
  const int line = board.Start(image);
  ImageProgress progress(board, line, stop);
  const DiscImageResult result = BuildDiscImage(request, *tools, progress);
  if (result.stopped) {
    board.Finish(line, QStringLiteral("%1: abgebrochen").arg(image), true);
    return 130;
  }
  if (!result.ok) {
    board.Finish(line, QStringLiteral("%1: %2").arg(image, QString::fromStdString(DiscProblemText(result.problem))), true);
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
