#include "export/export_job.h"

#include <sys/stat.h>

#include "export/export_session.h"
#include "playback/sound_device.h"
#include "video/frame_renderer.h"

namespace sonavix {

namespace {

// Two seconds of the song: by then the start picture has faded and the
// circles have moved.
constexpr std::int64_t kWarmUpBlocks = 2 * kStreamRate / kBlockFrames;

}  // namespace

std::int64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

FrameSize ExportFrameSize(MediaWriter& writer, DiscPreset preset, TvSystem tv) {
  writer.SetFormatPreset(preset, tv);
  return {writer.FrameWidth(), writer.FrameHeight()};
}

void RenderSongInto(const ExportRequest& request, ExportSession& session, RunHost& host, RandomGenerator& colours) {
  FrameRenderer renderer(session.FrameWidth(), session.FrameHeight(), HasAlpha(request.preset));
  // The web videos draw a picture for every frame; the discs one a block.
  if (!IsDiscFormat(request.preset)) renderer.SetPicturePace(session.FrameRate());
  renderer.SetTextLook(request.look);
  renderer.SetLyrics(request.lyrics);
  if (!request.image.isNull() && !HasAlpha(request.preset))
    renderer.SetBackdrop(MakeBackdrop(request.image, {session.FrameWidth(), session.FrameHeight()}, request.imageFit));
  // A web video's first frame is its thumbnail: it shows the song's picture,
  // not the start picture. The discs keep theirs.
  if (!IsDiscFormat(request.preset)) WarmUpPicture(host, renderer, colours, kWarmUpBlocks);
  RenderBlocks(host, renderer, session.Sink(), colours);
}

ExportOutcome RunExport(const ExportRequest& request, MediaWriter& writer, RunHost& host, RandomGenerator& colours,
                        const std::function<void(double)>& progress, bool keepStopped) {
  ExportOutcome outcome;
  ExportSession session(writer, request.preset, request.tv, request.quality);
  writer.SetWebFrameRate(request.webFrameRate);
  const AudioDocument& doc = host.Document();
  if (request.exactEnd) session.EndExactlyAfter(SoundFramesInRun(doc));
  if (!session.Open(request.output, BlocksInRun(doc) * kBlockFrames, progress)) {
    outcome.failure = session.WriterFailure();
    return outcome;
  }
  RenderSongInto(request, session, host, colours);
  const bool stopped = host.StopRequested();
  // Stopped without keeping: the session goes unfinished, and its file with it.
  if (stopped && !keepStopped) {
    outcome.result = ExportOutcome::Result::Stopped;
    return outcome;
  }
  if (!session.Finish()) {
    outcome.failure = session.WriterFailure();
    return outcome;
  }
  if (progress) progress(1.0);
  outcome.result = stopped ? ExportOutcome::Result::Stopped : ExportOutcome::Result::Done;
  outcome.seconds = session.AudioTime();
  outcome.bytes = FileSize(request.output);
  return outcome;
}

}  // namespace sonavix
