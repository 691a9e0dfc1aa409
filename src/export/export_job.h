#pragma once
// One export of a sound into a video file, as the window's export, the
// window's disc image and the command line's render all make it: the media
// writer set to the preset, the file opened, the blocks of the run rendered
// into it (each picture drawn after its block was analysed), and the file
// completed, or on a stop or a failure left nowhere. The host says what to
// read (the document, the text, the font), shows the pictures and may ask
// to stop; it is called on the job's thread, which may be a worker.

#include <cstdint>
#include <functional>
#include <string>

#include "lyrics/lyrics.h"
#include "playback/run.h"
#include "video/backdrop.h"
#include "video/media_writer.h"
#include "video/text_layer.h"

namespace sonavix {

struct RandomGenerator;

struct ExportRequest {
  std::string output;
  DiscPreset preset = DiscPreset::Dvd;
  TvSystem tv = TvSystem::Pal;
  double quality = 1.0;
  // A disc's chapter: the video ends with the sound, not with its last block.
  bool exactEnd = false;
  // How the text is drawn; the discs' cell unless the caller sets it
  // (DefaultTextLook gives each preset's own).
  TextLook look;
  const Lyrics* lyrics = nullptr;  // kept by the caller; none: null
  int webFrameRate = 30;           // 30 or 60, for the web formats
  QImage image;                    // behind the circles; null: none
  ImageFit imageFit = ImageFit::Cover;
};

struct ExportOutcome {
  enum class Result { Done, Stopped, Failed };
  Result result = Result::Failed;
  WriteFailure failure;  // why the writer failed
  double seconds = 0;   // playing time written
  std::int64_t bytes = 0;
  bool done() const { return result == Result::Done; }
};

// The picture size of a preset, for a host that shows the pictures.
struct FrameSize {
  int width = 0;
  int height = 0;
};
FrameSize ExportFrameSize(MediaWriter& writer, DiscPreset preset, TvSystem tv);

class ExportSession;

// The size of a finished file in bytes; 0 when there is none.
std::int64_t FileSize(const std::string& path);

// Draws the run of the host's document into an open session: a picture of
// the request's look (text, lyrics, picture behind the circles), warmed up
// first for the web formats, whose first frame is a thumbnail. For a
// session that takes several songs, one after another.
void RenderSongInto(const ExportRequest& request, ExportSession& session, RunHost& host, RandomGenerator& colours);

// Runs the export of the host's document (its selection, or the whole
// sound) into `writer`. `progress` hears the share done, a few times a
// second. With `keepStopped`, a stop completes the file with what was
// written (the window keeps a shortened export); otherwise it leaves none.
ExportOutcome RunExport(const ExportRequest& request, MediaWriter& writer, RunHost& host, RandomGenerator& colours,
                        const std::function<void(double)>& progress = {}, bool keepStopped = false);

}  // namespace sonavix
