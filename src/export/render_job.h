#pragma once
// One file rendered to a video without a window: the sound file read as the
// open command reads it, the stretch chosen, and the same run, renderer and
// export session as the window's export, with a colour generator of its own
// that starts afresh. The file it writes is the window's export of the same
// sound, text, font and preset, byte for byte.

#include <QFont>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "document/sound_tags.h"
#include "video/backdrop.h"
#include "video/media_writer.h"
#include "video/text_layer.h"

namespace sonavix {

struct RenderRequest {
  std::string input;
  std::string output;
  DiscPreset preset = DiscPreset::Dvd;
  TvSystem tv = TvSystem::Pal;
  QString text;
  // An empty text takes the song's "Künstler – Titel" (the command line
  // sets it when -t is not given).
  bool textFromTags = false;
  QFont font;  // the caller sets it; DefaultPictureFont() is the window's
  // A second, smaller line, with the same placeholders; empty: none.
  QString subtext;
  // Where the text stands and its colour; unset: as the preset's look
  // (DefaultTextLook). A colour turns the discs' cell into the overlay.
  std::optional<TextLook::Place> textPlace;
  std::optional<QColor> textColour;
  // Timed lyrics: a file (LRC or SRT), "auto" for the one beside the song,
  // empty for none.
  std::string lyrics;
  int webFrameRate = 30;  // 30 or 60 pictures a second, for the web formats
  // The picture behind the circles: a file, "auto" (the song's cover from
  // its tags, else cover.jpg, folder.jpg or front.* beside it, else none),
  // or empty for none.
  std::string image;
  ImageFit imageFit = ImageFit::Cover;
  double quality = 1.0;
  // Seconds from the start of the sound; unset: its start and its end.
  std::optional<double> from;
  std::optional<double> to;
  // A disc's chapter: the video ends with the song, not with its last block.
  bool exactEnd = false;
};

enum class RenderFailure {
  None,
  Input,   // the input could not be read
  Range,   // --from / --to lie outside the sound
  Output,  // the output could not be written
  Stopped  // asked to stop; nothing was left behind
};

struct RenderResult {
  RenderFailure failure = RenderFailure::None;
  std::string error;   // a German sentence, without the file's name
  double seconds = 0;  // playing time of the video
  std::int64_t soundFrames = 0;  // of a song read: its stretch in the run's 44100 Hz frames
  std::int64_t bytes = 0;
  std::string warning;  // a German sentence about a file read all the same (it ended early)
  SoundTags tags;
  bool ok() const { return failure == RenderFailure::None; }
};

// What a render tells and asks while it works. Called on the render's
// own thread.
class RenderObserver {
 public:
  enum class Stage { Reading, Rendering };
  virtual ~RenderObserver() = default;
  // The share of the stage done, 0 ... 1, a few times a second.
  virtual void Progress(Stage, double) {}
  virtual bool StopRequested() const { return false; }
};

// A result that failed for this reason (a German sentence).
RenderResult FailedRender(RenderFailure kind, std::string error);

// What stands in the way of writing `output` for `input`, in German; none
// if nothing does.
std::optional<std::string> OutputProblem(const std::string& input, const std::string& output);

// Reads the song and its stretch only: `seconds` is the stretch's playing
// time, or the failure says why the song cannot be rendered.
RenderResult MeasureSong(const RenderRequest& request, RenderObserver& observer);

// Reads, renders and writes one file. `writerName` picks the media writer's
// back end (see CreateMediaWriter).
RenderResult RenderFile(const RenderRequest& request, RenderObserver& observer,
                        const std::string& writerName = {});

}  // namespace sonavix
