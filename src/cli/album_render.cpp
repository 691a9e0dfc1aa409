#include "cli/album_render.h"

#include <QFileInfo>
#include <cstdio>

#include "cli/render_batch.h"
#include "document/local_names.h"
#include "document/safe_file.h"
#include "document/work_progress.h"
#include "export/album_job.h"
#include "video/picture_font.h"

namespace sonavix {

QString ChapterListPath(const QString& video) {
  const QFileInfo info(video);
  const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
  const qsizetype slash = video.lastIndexOf(QLatin1Char('/'));
  return (slash < 0 ? QString() : video.left(slash + 1)) + base + QStringLiteral(".chapters.txt");
}

int RenderAlbumVideo(const RenderOptions& options, ProgressBoard& board, const std::atomic<bool>& stop) {
  const QFont font = options.font ? *options.font : DefaultPictureFont();
  std::vector<RenderRequest> songs;
  for (const QString& input : options.inputs) songs.push_back(RequestFor(options, input, options.albumVideo, font));
  const int line = board.Start(options.albumVideo);
  BoardObserver observer(board, line, stop);
  const AlbumResult album = RenderAlbum(songs, LocalPath(options.albumVideo), observer);
  const RenderResult& result = album.result;
  if (!result.warning.empty())
    board.Say(QStringLiteral("%1: Warnung: %2").arg(options.albumVideo, QString::fromStdString(result.warning)), true);
  if (result.failure == RenderFailure::Stopped) {
    board.Finish(line, QStringLiteral("%1: abgebrochen").arg(options.albumVideo), false);
    return 130;
  }
  if (!result.ok()) {
    const QString who = result.failure == RenderFailure::Output ? options.albumVideo : options.inputs[int(album.failedSong)];
    board.Finish(line, QStringLiteral("%1: %2").arg(who, QString::fromStdString(result.error)), true);
    return result.failure == RenderFailure::Range ? kUsageStatus : 1;
  }
  const std::string list = ChapterListText(album.chapters);
  const QString listPath = ChapterListPath(options.albumVideo);
  SafeFileWriter file(LocalPath(listPath));
  if (!file.ok() || !file.WriteAll(list.data(), list.size()) || !file.Commit()) {
    board.Finish(line, QStringLiteral("%1: Die Kapitelliste konnte nicht geschrieben werden; das Video ist fertig.")
                           .arg(listPath), true);
    std::fputs(list.c_str(), stdout);
    return 1;
  }
  board.Finish(line, QStringLiteral("%1: fertig, %2 Lieder, %3 Spielzeit, %4; Kapitel in %5")
                         .arg(options.albumVideo)
                         .arg(songs.size())
                         .arg(QString::fromStdString(FormatClock(result.seconds)),
                              QString::fromStdString(FormatFileSize(result.bytes)), listPath),
               false);
  std::fputs(list.c_str(), stdout);
  return 0;
}

}  // namespace sonavix
