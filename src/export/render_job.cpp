#include "export/render_job.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>

#include "document/audio_document.h"
#include "document/local_names.h"
#include "document/safe_file.h"
#include "document/sound_files.h"
#include "document/text_template.h"
#include "document/work_progress.h"
#include "export/export_job.h"
#include "export/song_setup.h"
#include "import/ffmpeg_audio_decoder.h"
#include "lyrics/lyrics_file.h"
#include "mp3/mp3_file_decoder.h"
#include "playback/run.h"
#include "video/random.h"
#include "texts/failure_texts.h"
#include "texts/import_texts.h"

namespace sonavix {

namespace {

// Why a name cannot be followed to its file.
std::string NotReachable(const std::string& path, int error) {
  struct stat link {};
  switch (error) {
    case ENOENT:
      if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
        return "Die Verknüpfung zeigt auf eine Datei, die es nicht gibt";
      return "Die Datei gibt es nicht";
    case ELOOP:
      return "Die Verknüpfungen unter diesem Namen führen im Kreis";
    case EACCES:
      return "Keine Berechtigung, den Ordner der Datei zu öffnen";
    case ENOTDIR:
      return "Ein Teil des Pfades ist kein Ordner";
    case ENAMETOOLONG:
      return "Der Name ist zu lang";
    default:
      return std::string("Die Datei ist nicht zu erreichen (") + std::strerror(error) + ")";
  }
}

// What stands in the way of reading the input, checked without opening it:
// a FIFO or a device would block or never end.
std::optional<std::string> InputProblem(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return NotReachable(path, errno);
  if (S_ISDIR(st.st_mode)) return "Das ist ein Ordner, keine Datei";
  if (!S_ISREG(st.st_mode)) return "Das ist keine gewöhnliche Datei (FIFO oder Gerät); sie wird nicht gelesen";
  if (::access(path.c_str(), R_OK) != 0) return "Keine Berechtigung, die Datei zu lesen";
  return std::nullopt;
}

}  // namespace

RenderResult FailedRender(RenderFailure kind, std::string error) {
  RenderResult result;
  result.failure = kind;
  result.error = std::move(error);
  return result;
}

std::optional<std::string> OutputProblem(const std::string& input, const std::string& output) {
  switch (CheckSaveTarget(output)) {
    case SaveTarget::Ok:
      break;
    case SaveTarget::NotRegular:
      return "Die Ausgabe ist keine gewöhnliche Datei (FIFO oder Gerät); dorthin wird nicht geschrieben";
    case SaveTarget::Folder:
      return "Unter dem Namen der Ausgabe steht ein Ordner";
    case SaveTarget::NoFolder:
      return "Den Ordner der Ausgabe gibt es nicht";
    case SaveTarget::FolderNotWritable:
      return "Der Ordner der Ausgabe nimmt keine Datei an (keine Schreibberechtigung)";
    case SaveTarget::LinkLoop:
      return "Die Verknüpfungen unter dem Namen der Ausgabe führen im Kreis";
  }
  if (SameFile(input, output)) return "Die Ausgabe würde die Eingabe überschreiben";
  return std::nullopt;
}

namespace {

// Sets the marks to the requested stretch; false if it lies outside the
// sound. Half a frame of slack lets "--to" name the length as printed.
bool ChooseStretch(AudioDocument& doc, const RenderRequest& request, std::string& error) {
  if (!request.from && !request.to) return true;
  const std::int64_t frames = doc.FrameCount();
  const double rate = doc.SampleRate > 0 ? doc.SampleRate : 1;
  const std::int64_t first = request.from ? std::llround(*request.from * rate) : 0;
  const std::int64_t last = request.to ? std::llround(*request.to * rate) : frames;
  if (first < 0 || first >= frames || last > frames || last <= first) {
    error = "--from/--to liegt außerhalb des Klangs; er ist " + FormatClock(double(frames) / rate) +
            " lang (" + std::to_string(frames) + " Frames bei " + std::to_string(doc.SampleRate) +
            " Hz)";
    return false;
  }
  doc.SelEnd = static_cast<std::int32_t>(first * doc.Channels());
  doc.SelStart = static_cast<std::int32_t>(last * doc.Channels());
  return true;
}


// The picture "auto" finds: the cover in the song's tags, else one beside
// it; none when neither can be read.
QImage SongCover(const std::string& input, const SoundTags& tags) {
  BackdropProblem problem = BackdropProblem::None;
  if (!tags.cover.empty()) {
    const QImage cover = ReadBackdropBytes(
        QByteArray(reinterpret_cast<const char*>(tags.cover.bytes.data()), static_cast<qsizetype>(tags.cover.bytes.size())),
        problem);
    if (!cover.isNull()) return cover;
  }
  const QString beside = CoverBeside(NameFromLocalPath(input));
  return beside.isEmpty() ? QImage() : ReadBackdropFile(beside, problem);
}

// Reads the song and chooses its stretch; a failure says why.
RenderResult ReadSong(const RenderRequest& request, RenderObserver& observer, AudioDocument& doc) {
  if (const auto problem = InputProblem(request.input)) return FailedRender(RenderFailure::Input, *problem);
  ImportReport report;
  try {
    const auto stop = [&observer] { return observer.StopRequested(); };
    Mp3FileDecoder mp3(
        [&observer](int percent) { observer.Progress(RenderObserver::Stage::Reading, percent / 100.0); }, stop);
    FfmpegAudioDecoder other([&observer](double done) { observer.Progress(RenderObserver::Stage::Reading, done); },
                             stop);
    if (!OpenSoundFile(doc, request.input, &mp3, &other, &report)) {
      if (observer.StopRequested() || report.stopped) return FailedRender(RenderFailure::Stopped, "Abgebrochen");
      if (report.problem)
        return FailedRender(RenderFailure::Input, "Konnte Datei nicht öffnen: " + ImportProblemText(report.problem));
      return FailedRender(RenderFailure::Input,
                     mp3.Error().empty() ? "Konnte Datei nicht öffnen (keine lesbare Tondatei)" : mp3.Error());
    }
  } catch (const std::bad_alloc&) {
    return FailedRender(RenderFailure::Input, "Zu wenig Arbeitsspeicher für diese Datei");
  }
  // Nothing to play, or a rate the run cannot convert: no video at all
  // rather than a wrong one.
  if (const Unplayable why = UnplayableSound(doc); why != Unplayable::No)
    return FailedRender(RenderFailure::Input, UnplayableText(why, doc.SampleRate));
  std::string rangeError;
  if (!ChooseStretch(doc, request, rangeError)) return FailedRender(RenderFailure::Range, rangeError);
  RenderResult read;
  read.warning = ImportProblemText(report.shortfall);
  read.tags = std::move(report.tags);
  const FrameRange range = RangeFromMarks(doc);
  read.seconds = doc.SampleRate > 0 ? double(range.end - range.start) / doc.SampleRate : 0.0;
  read.soundFrames = SoundFramesInRun(doc);
  return read;
}

}  // namespace

RenderResult MeasureSong(const RenderRequest& request, RenderObserver& observer) {
  AudioDocument doc;
  return ReadSong(request, observer, doc);
}

RenderResult SetUpSong(const RenderRequest& request, RenderObserver& observer, SongSetup& setup) {
  if (const auto problem = InputProblem(request.input)) return FailedRender(RenderFailure::Input, *problem);
  // The lyrics are read first: a file named that cannot be read stops the
  // render before the song is.
  const std::string lyricsPath = request.lyrics == "auto" ? LyricsBeside(request.input) : request.lyrics;
  if (!lyricsPath.empty()) {
    LyricsFileProblem problem = LyricsFileProblem::None;
    setup.lyrics = ReadLyricsFile(lyricsPath, problem);
    if (!setup.lyrics) return FailedRender(RenderFailure::Input, LyricsFileText(problem, lyricsPath));
  }
  // A picture named by the user is read before the song, as the lyrics are.
  if (!request.image.empty() && request.image != "auto") {
    BackdropProblem problem = BackdropProblem::None;
    setup.image = ReadBackdropFile(NameFromLocalPath(request.image), problem);
    if (setup.image.isNull()) return FailedRender(RenderFailure::Input, BackdropText(problem, request.image));
  }
  RenderResult read = ReadSong(request, observer, setup.doc);
  if (!read.ok()) return read;
  if (request.image == "auto") setup.image = SongCover(request.input, read.tags);
  // Without a file beside the song, "auto" takes timed lyrics from its tags.
  if (!setup.lyrics && request.lyrics == "auto" && !read.tags.lyrics.empty()) {
    Lyrics tagged = ParseLyrics(read.tags.lyrics);
    if (!tagged.lines.empty()) setup.lyrics = std::move(tagged);
  }
  if (setup.lyrics && setup.lyrics->skipped > 0) {
    if (!read.warning.empty()) read.warning += "; ";
    read.warning += SkippedLyricsText(setup.lyrics->skipped);
  }
  // Without a text of its own, the picture shows the song's artist and
  // title, as the window's empty text line takes them on opening.
  QString text = request.text;
  if (text.isEmpty() && request.textFromTags) text = QString::fromUtf8(kTagLineTemplate);
  setup.text = QString::fromStdString(ExpandTextTemplate(text.toStdString(), read.tags));
  setup.look = ChosenTextLook(
      request.preset, {request.textColour, request.textPlace, setup.lyrics.has_value(),
                       QString::fromStdString(ExpandTextTemplate(request.subtext.toStdString(), read.tags))});
  return read;
}

ExportRequest SongExport(const RenderRequest& request, const SongSetup& setup, const std::string& output) {
  ExportRequest job;
  job.output = output;
  job.preset = request.preset;
  job.tv = request.tv;
  job.quality = request.quality;
  job.exactEnd = request.exactEnd;
  job.look = setup.look;
  job.lyrics = setup.lyrics ? &*setup.lyrics : nullptr;
  job.webFrameRate = request.webFrameRate;
  job.image = setup.image;
  job.imageFit = request.imageFit;
  return job;
}

RenderResult RenderFile(const RenderRequest& request, RenderObserver& observer,
                        const std::string& writerName) {
  if (const auto problem = InputProblem(request.input)) return FailedRender(RenderFailure::Input, *problem);
  if (const auto problem = OutputProblem(request.input, request.output))
    return FailedRender(RenderFailure::Output, *problem);
  SongSetup setup;
  const RenderResult read = SetUpSong(request, observer, setup);
  if (!read.ok()) return read;
  std::unique_ptr<MediaWriter> writer = CreateMediaWriter(writerName);
  DocumentRunHost host(setup, request.font, observer);
  RandomGenerator colours;  // afresh for every file
  const ExportOutcome outcome =
      RunExport(SongExport(request, setup, request.output), *writer, host, colours,
                [&observer](double done) { observer.Progress(RenderObserver::Stage::Rendering, done); });
  if (outcome.result == ExportOutcome::Result::Stopped) return FailedRender(RenderFailure::Stopped, "Abgebrochen");
  if (!outcome.done())
    return FailedRender(RenderFailure::Output, WriteFailureText(outcome.failure, request.preset));

  RenderResult result;
  result.seconds = outcome.seconds;
  result.bytes = outcome.bytes;
  result.warning = read.warning;
  return result;
}

}  // namespace sonavix
