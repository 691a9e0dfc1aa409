#pragma once
// One export of a run into a file, the same for the window and the command
// line: the media writer set to a preset and a quality, the export writer
// that keeps picture and sound in step, progress told a few times a second,
// and the finish. The caller runs the blocks into Sink() between Open and
// Finish; a session that is not finished leaves no file behind.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "export/export_writer.h"
#include "playback/run.h"
#include "video/media_writer.h"

namespace sonavix {

class ExportSession {
 public:
  // Hears the share done (0 ... 1), at most four times a second.
  using Progress = std::function<void(double done)>;

  ExportSession(MediaWriter& writer, DiscPreset preset, TvSystem tv, double quality);
  ~ExportSession();

  // The picture size the run must draw at.
  int FrameWidth() const { return writer_.FrameWidth(); }
  int FrameHeight() const { return writer_.FrameHeight(); }
  // Pictures a second; after Open.
  double FrameRate() const { return writer_.FrameRate().Value(); }

  // Starts the file for a run of `expectedSoundFrames` frames at 44100 Hz;
  // false if that fails (WriterFailure says why).
  bool Open(const std::string& path, std::int64_t expectedSoundFrames, Progress progress = {});
  // For a disc's chapter, before Open: only the first `soundFrames` frames
  // of the run go over (not the silence that fills up its last block), and
  // the pictures end with them (MediaWriter::SetExactEnd).
  void EndExactlyAfter(std::int64_t soundFrames);
  // After Open, for a session that takes several songs: the sound goes over
  // up to this many frames in all and no further, so that the next song
  // starts exactly where this one ends.
  void LimitSoundTo(std::int64_t soundFrames);
  // What the run writes into, from Open to Finish.
  RunWriter& Sink();
  // Completes the file; false if the run or the completion failed.
  bool Finish();

  // The writer's sentence for a failure; may be empty.
  WriteFailure WriterFailure() const { return writer_.Failure(); }
  // Seconds of sound handed over.
  double AudioTime() const;

 private:
  class Reporter;

  MediaWriter& writer_;
  std::unique_ptr<ExportWriter> sink_;
  std::unique_ptr<Reporter> reporter_;
  std::int64_t exactFrames_ = -1;  // below 0: whole blocks
  bool picturePerFrame_ = false;   // the web videos; the discs draw one a block
};

}  // namespace sonavix
