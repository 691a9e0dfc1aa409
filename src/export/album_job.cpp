#include "export/album_job.h"

#include "document/local_names.h"
#include "document/work_progress.h"
#include "export/export_session.h"
#include "export/song_setup.h"
#include "texts/failure_texts.h"
#include "video/random.h"

namespace sonavix {

namespace {

// The chapter's name: the song's title, else its file's name without the
// extension.
std::string ChapterTitle(const std::string& input, const SoundTags& tags) {
  if (!tags.title.empty()) return tags.title;
  std::string name = NameFromLocalPath(input).section(QLatin1Char('/'), -1).toStdString();
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Tells the whole album's progress while one song is read or rendered.
class SongObserver final : public RenderObserver {
 public:
  SongObserver(RenderObserver& album, Stage stage, double before, double share, double total)
      : album_(album), stage_(stage), before_(before), share_(share), total_(std::max(total, 1.0)) {}
  void Progress(Stage stage, double done) override {
    if (stage == stage_) album_.Progress(stage_, (before_ + done * share_) / total_);
  }
  bool StopRequested() const override { return album_.StopRequested(); }

 private:
  RenderObserver& album_;
  Stage stage_;
  double before_, share_, total_;
};

}  // namespace

AlbumResult RenderAlbum(const std::vector<RenderRequest>& songs, const std::string& output, RenderObserver& observer,
                        const std::string& writerName) {
  AlbumResult album;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    if (auto problem = OutputProblem(songs[i].input, output)) {
      album.result = FailedRender(RenderFailure::Output, std::move(*problem));
      return album;
    }
  }
  std::int64_t total = 0;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    SongObserver reading(observer, RenderObserver::Stage::Reading, double(i), 1.0, double(songs.size()));
    const RenderResult measured = MeasureSong(songs[i], reading);
    if (!measured.ok()) {
      album.result = measured;
      album.failedSong = i;
      return album;
    }
    album.chapters.push_back({ChapterTitle(songs[i].input, measured.tags), total, total + measured.soundFrames});
    total += measured.soundFrames;
  }
  if (songs.empty()) return album;
  const RenderRequest& first = songs.front();
  std::unique_ptr<MediaWriter> writer = CreateMediaWriter(writerName);
  ExportSession session(*writer, first.preset, first.tv, first.quality);
  writer->SetWebFrameRate(first.webFrameRate);
  writer->SetChapters(album.chapters);
  if (!session.Open(output, total, [&observer](double done) {
        observer.Progress(RenderObserver::Stage::Rendering, done);
      })) {
    album.result = FailedRender(RenderFailure::Output, WriteFailureText(session.WriterFailure(), first.preset));
    return album;
  }
  for (std::size_t i = 0; i < songs.size(); ++i) {
    SongSetup setup;
    SongObserver quiet(observer, RenderObserver::Stage::Reading, 0, 0, 1);  // the bar shows the render
    const RenderResult read = SetUpSong(songs[i], quiet, setup);
    if (!read.ok()) {
      album.result = read;
      album.failedSong = i;
      return album;
    }
    if (!read.warning.empty()) album.result.warning += (album.result.warning.empty() ? "" : "; ") + read.warning;
    session.LimitSoundTo(album.chapters[i].end);
    DocumentRunHost host(setup, songs[i].font, observer);
    RandomGenerator colours;  // afresh for every song, as for a file of its own
    RenderSongInto(SongExport(songs[i], setup, output), session, host, colours);
    if (observer.StopRequested()) {
      album.result = FailedRender(RenderFailure::Stopped, "Abgebrochen");
      return album;
    }
    if (session.Sink().Failed()) break;
  }
  if (!session.Finish()) {
    album.result = FailedRender(RenderFailure::Output, WriteFailureText(session.WriterFailure(), first.preset));
    return album;
  }
  album.result.seconds = session.AudioTime();
  album.result.bytes = FileSize(output);
  return album;
}

std::string ChapterListText(const std::vector<MediaChapter>& chapters) {
  std::string text;
  for (const MediaChapter& chapter : chapters)
    text += FormatClock(double(chapter.start) / MediaChapter::kRate) + " " + chapter.title + "\n";
  return text;
}

}  // namespace sonavix
