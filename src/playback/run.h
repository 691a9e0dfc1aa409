#pragma once
// The run: the loop that plays the document block by block through the sound
// device, moves the play cursor and draws a picture per block. The MPEG
// export drives the same loop with a writer, which then takes the pictures
// and blocks instead of the sound card.
//
// Every block is a sixteenth of a second of 44100 Hz 16-bit stereo, whatever
// the document's format; other rates are converted by taking the nearest
// source frame.

#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>
#include <mutex>
#include <string>

#include "document/audio_document.h"

namespace sonavix {

class FrameRenderer;
class SoundDevice;
struct RandomGenerator;

inline constexpr int kBlockFrames = 2756;
inline constexpr int kBlockSamples = 2 * kBlockFrames;

// Source frames a run plays: [start, end).
struct FrameRange {
  std::int32_t start = 0;
  std::int32_t end = 0;
  friend bool operator==(const FrameRange&, const FrameRange&) = default;
};

// The selection as frames, or the whole sound when nothing is selected.
// Not clipped to the sound: every read is.
FrameRange RangeFromMarks(const AudioDocument& doc);

// What PLAY plays: the selection, or with nothing selected the sound from
// the marks' place to its end (from its start when they stand at the end).
FrameRange PlayRangeFromMarks(const AudioDocument& doc);

// Fills one block (kBlockFrames frames of left, right) from the document,
// starting at source position `playPos` and advancing it by
// SampleRate / 44100 per output frame. Frames at or past the range's end or
// the sound's end are silence. Returns the source frame read for the last
// output frame (rounded, ties to even).
std::int64_t FillBlock(const AudioDocument& doc, FrameRange range, double& playPos,
                       std::int16_t* block);

// How many blocks a run without the loop option makes of the document as it
// stands: the range at 44100 Hz in whole blocks, at least one.
std::int64_t BlocksInRun(const AudioDocument& doc);

// How many 44100 Hz frames of the run hold sound rather than the silence
// that fills up its last block.
std::int64_t SoundFramesInRun(const AudioDocument& doc);

// The rates a run converts from: any sound of 1 000 to 768 000 frames a
// second becomes the stream's 44 100.
inline constexpr std::int32_t kLowestPlayableRate = 1'000;
inline constexpr std::int32_t kHighestPlayableRate = 768'000;

// Why the document cannot be played or exported: no sound loaded, not one
// whole frame, or a rate the run cannot convert.
enum class Unplayable { No, NoSound, NoWholeFrame, RateOutOfRange };
Unplayable UnplayableSound(const AudioDocument& doc);

// Column of the play cursor for the last source frame of a block.
std::int64_t CursorColumn(const AudioDocument& doc, std::int64_t lastFrame, std::int64_t zoom,
                          std::int64_t scroll);

// What the run needs from the window.
class RunHost {
 public:
  virtual ~RunHost() = default;
  // Called before each block is filled from the document.
  virtual void BeforeBlock() {}
  virtual const AudioDocument& Document() const = 0;
  // The frames the run plays, asked once at its start: the selection, or
  // the whole sound when nothing is selected.
  virtual FrameRange RunRange() const { return RangeFromMarks(Document()); }
  // Held while a block is filled from the document, when the document may
  // be changed on another thread (between blocks, never during one).
  virtual std::mutex* DocumentLock() { return nullptr; }
  virtual bool StopRequested() const = 0;
  virtual bool LoopChecked() const = 0;
  // Moves the play cursor to the column of this source frame.
  virtual void MoveCursor(std::int64_t lastFrame) = 0;
  // The text and font of the picture, read for every picture.
  virtual QString PictureText() const = 0;
  virtual QFont PictureFont() const = 0;
  virtual void ShowPicture(const QImage& picture) = 0;
};

// Takes pictures and blocks in export mode instead of the sound card. Each
// block comes with the picture drawn after the block was analysed, so the
// picture reacts to the sound it goes out with.
class RunWriter {
 public:
  virtual ~RunWriter() = default;
  virtual void Write(FrameRenderer& renderer, const std::int16_t* block, int frames) = 0;
  // A writer that can take nothing more ends the run.
  virtual bool Failed() const { return false; }

  // A writer that wants a picture of its own for every video frame, rather
  // than each block's picture repeated, answers true; the run then draws
  // the pictures that fall due with a block before handing the block over.
  virtual bool PicturePerFrame() const { return false; }
  // Pictures that fall due once `frames` more sound frames have gone over.
  virtual std::int64_t PicturesDue(int /*frames*/) const { return 0; }
  // Where the next picture starts and ends, in 44100 Hz frames of the run's
  // sound counted from its start.
  struct Span {
    std::int64_t start = 0;
    std::int64_t end = 0;
  };
  virtual Span NextPicture() const { return {}; }
  virtual void WritePicture(FrameRenderer& /*renderer*/) {}
};

// The export's loop without a sound card: blocks of the range, each
// analysed, drawn and handed to the writer, until the range is played, the
// host asks to stop or the writer fails. Returns the number of blocks made.
// For a writer that wants a picture per video frame, each picture is drawn
// from the 2048 sound frames that end where its video frame ends, so a beat
// shows in the very frame it falls in and never before.
std::int64_t RenderBlocks(RunHost& host, FrameRenderer& renderer, RunWriter& writer,
                          RandomGenerator& colours);

// Draws the pictures of the range's first `blocks` blocks and throws them
// away, so that the picture a run then starts from is one of the song's
// own (the circles moving, the start picture faded out) rather than the
// grey start picture: for videos whose first frame is their thumbnail.
void WarmUpPicture(RunHost& host, FrameRenderer& renderer, RandomGenerator& colours, std::int64_t blocks);

// Runs until the range is played (forever with the loop option, until STOP),
// or until the host asks to stop. With a writer, nothing is heard (the device
// plays silence), the loop option is ignored and nothing waits for the card.
// The pictures' colours come from `random`: the program-wide generator
// unless the caller brings its own (a render that must not depend on what
// ran before). Returns the number of blocks made.
std::int64_t RunBlocks(RunHost& host, SoundDevice& device, FrameRenderer& renderer,
                       RunWriter* writer = nullptr, RandomGenerator* random = nullptr);

}  // namespace sonavix
