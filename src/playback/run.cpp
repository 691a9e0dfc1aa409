#include "playback/run.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "document/little_endian.h"
#include "document/work_progress.h"
#include "playback/sound_device.h"
#include "video/frame_renderer.h"
#include "video/picture_pace.h"
#include "video/random.h"
#include "view/zoom.h"

namespace sonavix {

static_assert(kBlockPicturesPerSecond == double(kStreamRate) / kBlockFrames);

namespace {

std::int16_t FromEightBit(std::uint8_t b) { return static_cast<std::int16_t>((b - 128) * 256); }

// Reads source frame e as a left and a right 16-bit value.
void ReadFrame(const AudioDocument& doc, std::int64_t e, std::int16_t& left, std::int16_t& right) {
  const std::uint8_t* data = doc.SampleData.get();
  if (doc.Is16Bit && doc.IsStereo) {
    left = static_cast<std::int16_t>(LoadLe16(data + 4 * e));
    right = static_cast<std::int16_t>(LoadLe16(data + 4 * e + 2));
  } else if (doc.Is16Bit) {
    left = right = static_cast<std::int16_t>(LoadLe16(data + 2 * e));
  } else if (doc.IsStereo) {
    left = FromEightBit(data[2 * e]);
    right = FromEightBit(data[2 * e + 1]);
  } else {
    left = right = FromEightBit(data[e]);
  }
}

// Queues a block on the sound card: each half goes into the buffer right
// after the play cursor has left that half.
void SendToCard(SoundDevice& device, const std::int16_t* block) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(block);
  device.Wait(SoundDevice::Event::Mid);
  device.Reset(SoundDevice::Event::Mid);
  device.Reset(SoundDevice::Event::End);
  std::memcpy(device.Lock(), bytes, kMidOffset);
  device.Unlock();
  device.Wait(SoundDevice::Event::End);
  device.Reset(SoundDevice::Event::End);
  device.Reset(SoundDevice::Event::Mid);
  std::memcpy(device.Lock() + kMidOffset, bytes + kMidOffset, kEndOffset - kMidOffset);
  device.Unlock();
}

void StartSilent(SoundDevice& device) {
  std::memset(device.Lock(), 0, kSoundBufferBytes);
  device.Unlock();
  device.Play();
}

bool InRange(double playPos, FrameRange range, std::int32_t frameCount) {
  return playPos < range.end && playPos < frameCount;
}

// Frames the run may read. A sound without a sample rate cannot be timed: it
// plays as silence rather than standing on its first frame for ever.
std::int32_t PlayableFrames(const AudioDocument& doc) {
  return doc.SampleRate > 0 ? doc.FrameCount() : 0;
}

// Where a run stands: its range, the source position and the block made
// last, one spare sample like the buffer's last byte.
struct RunCursor {
  FrameRange range;
  double playPos;
  std::vector<std::int16_t> block = std::vector<std::int16_t>(kBlockSamples + 1);
  std::int32_t frameCount = 0;
  std::int32_t rate = 0;  // of the sound as the last block found it

  explicit RunCursor(const RunHost& host) : range(host.RunRange()), playPos(range.start) {}

  // Fills the next block from the document as it stands now (changes to
  // it come in between blocks) and moves the play cursor.
  void Next(RunHost& host) {
    host.BeforeBlock();
    std::unique_lock<std::mutex> held;
    if (std::mutex* lock = host.DocumentLock()) held = std::unique_lock<std::mutex>(*lock);
    const AudioDocument& doc = host.Document();
    frameCount = PlayableFrames(doc);
    rate = doc.SampleRate;
    const std::int64_t last = FillBlock(doc, range, playPos, block.data());
    if (held) held.unlock();
    host.MoveCursor(last);
  }
  bool More() const { return InRange(playPos, range, frameCount); }
};

// The picture of the block about to be made stands at the block's start.
void SetSongTime(const RunHost& host, const RunCursor& run, FrameRenderer& renderer) {
  const std::int32_t rate = host.Document().SampleRate;
  renderer.SetSongTime(rate > 0 ? run.playPos / rate : 0.0);
}

}  // namespace

FrameRange RangeFromMarks(const AudioDocument& doc) {
  if (doc.SelStart == doc.SelEnd) return {0, doc.FrameCount()};
  const MarkRange marks = Selection(doc);
  if (!doc.IsStereo) return {marks.first, marks.last};
  return {marks.first / 2, marks.last / 2};
}

FrameRange PlayRangeFromMarks(const AudioDocument& doc) {
  if (doc.SelStart != doc.SelEnd) return RangeFromMarks(doc);
  const std::int32_t frames = doc.FrameCount();
  const std::int32_t cursor = doc.SelStart / (doc.IsStereo ? 2 : 1);
  return {cursor >= 0 && cursor < frames ? cursor : 0, frames};
}

std::int64_t FillBlock(const AudioDocument& doc, FrameRange range, double& playPos,
                       std::int16_t* block) {
  const std::int64_t frameCount = PlayableFrames(doc);
  const std::int64_t limit = std::min<std::int64_t>(range.end, frameCount);
  const double step = double(doc.SampleRate) / kStreamRate;
  std::int64_t e = 0;
  for (int i = 0; i < kBlockFrames; ++i) {
    e = static_cast<std::int64_t>(std::nearbyint(playPos));  // ties to even
    std::int16_t left = 0, right = 0;
    if (e >= 0 && e < limit) ReadFrame(doc, e, left, right);
    block[2 * i] = left;
    block[2 * i + 1] = right;
    playPos += step;
  }
  return e;
}

std::int64_t BlocksInRun(const AudioDocument& doc) {
  const FrameRange range = RangeFromMarks(doc);
  const std::int64_t end = std::min<std::int64_t>(range.end, PlayableFrames(doc));
  const std::int64_t frames = std::max<std::int64_t>(end - range.start, 0);
  if (frames == 0) return 1;
  // Position after n blocks is start + n * kBlockFrames * rate / 44100; the
  // run goes on while it lies before `end`.
  const double step = double(doc.SampleRate) / kStreamRate;
  return static_cast<std::int64_t>(std::ceil(double(frames) / (step * kBlockFrames)));
}

std::int64_t SoundFramesInRun(const AudioDocument& doc) {
  const FrameRange range = RangeFromMarks(doc);
  const std::int64_t end = std::min<std::int64_t>(range.end, PlayableFrames(doc));
  const std::int64_t frames = std::max<std::int64_t>(end - range.start, 0);
  if (frames == 0) return 0;
  // Output frame i reads source position start + i * step; it is sound
  // while that lies before `end`.
  const double step = double(doc.SampleRate) / kStreamRate;
  return static_cast<std::int64_t>(std::ceil(double(frames) / step));
}

Unplayable UnplayableSound(const AudioDocument& doc) {
  if (!doc.SampleData || doc.DataSize <= 0) return Unplayable::NoSound;
  if (doc.FrameCount() <= 0) return Unplayable::NoWholeFrame;
  if (doc.SampleRate < kLowestPlayableRate || doc.SampleRate > kHighestPlayableRate) return Unplayable::RateOutOfRange;
  return Unplayable::No;
}

std::int64_t CursorColumn(const AudioDocument& doc, std::int64_t lastFrame, std::int64_t zoom,
                          std::int64_t scroll) {
  const std::int64_t sample = doc.IsStereo ? 2 * lastFrame : lastFrame;
  zoom = UsableZoom(zoom);
  return (sample - scroll * zoom) / zoom;
}

namespace {

// The run for a writer with a picture per video frame. The sound of the
// block before, this block and the next stands side by side, so that the
// window of every picture due with this block lies inside it (a video frame
// is never longer than a block).
std::int64_t RenderFramePaced(RunHost& host, FrameRenderer& renderer, RunWriter& writer, RandomGenerator& colours) {
  std::vector<std::int16_t> sound(3 * kBlockSamples, 0);
  std::int16_t* const thisBlock = sound.data() + kBlockSamples;
  std::int16_t* const nextBlock = sound.data() + 2 * kBlockSamples;
  RunCursor run(host);
  const double rate = host.Document().SampleRate > 0 ? host.Document().SampleRate : kStreamRate;
  double blockPos = run.playPos;  // source position of this block's start
  run.Next(host);
  std::copy_n(run.block.data(), kBlockSamples, thisBlock);
  bool more = run.More();
  std::int64_t blockStart = 0;  // 44100 Hz frames of the run before this block
  std::int64_t blocks = 0;
  for (;;) {
    const double nextPos = run.playPos;
    bool nextMore = false;
    if (more) {
      run.Next(host);
      std::copy_n(run.block.data(), kBlockSamples, nextBlock);
      nextMore = run.More();
    } else {
      std::fill_n(nextBlock, kBlockSamples, std::int16_t{0});
    }
    for (std::int64_t due = writer.PicturesDue(kBlockFrames); due > 0 && !writer.Failed(); --due) {
      const RunWriter::Span span = writer.NextPicture();
      const std::int64_t end = std::clamp<std::int64_t>(span.end - blockStart + kBlockFrames, kSpectrumSize, 3 * kBlockFrames);
      renderer.Analyse(sound.data() + 2 * (end - kSpectrumSize));
      renderer.SetSongTime(blockPos / rate + double(span.start - blockStart) / kStreamRate);
      renderer.Draw(host.PictureText(), host.PictureFont(), colours);
      writer.WritePicture(renderer);
    }
    host.ShowPicture(renderer.Picture());
    writer.Write(renderer, thisBlock, kBlockFrames);
    ++blocks;
    if (!more || host.StopRequested() || writer.Failed()) break;
    std::copy(thisBlock, thisBlock + 2 * kBlockSamples, sound.data());
    blockStart += kBlockFrames;
    blockPos = nextPos;
    more = nextMore;
  }
  return blocks;
}

}  // namespace

std::int64_t RenderBlocks(RunHost& host, FrameRenderer& renderer, RunWriter& writer,
                          RandomGenerator& colours) {
  if (writer.PicturePerFrame()) return RenderFramePaced(host, renderer, writer, colours);
  RunCursor run(host);
  std::int64_t blocks = 0;
  do {
    SetSongTime(host, run, renderer);
    run.Next(host);
    // No card plays a lap behind: the picture must react to this very
    // block, so the block is analysed before the picture is drawn.
    renderer.Analyse(run.block.data());
    renderer.Draw(host.PictureText(), host.PictureFont(), colours);
    host.ShowPicture(renderer.Picture());
    writer.Write(renderer, run.block.data(), kBlockFrames);
    ++blocks;
  } while (!host.StopRequested() && !writer.Failed() && run.More());
  return blocks;
}

void WarmUpPicture(RunHost& host, FrameRenderer& renderer, RandomGenerator& colours, std::int64_t blocks) {
  RunCursor run(host);
  for (std::int64_t i = 0; i < blocks; ++i) {
    run.Next(host);
    renderer.Analyse(run.block.data());
    renderer.Draw(host.PictureText(), host.PictureFont(), colours);
    if (!run.More() || host.StopRequested()) break;
  }
}

std::int64_t RunBlocks(RunHost& host, SoundDevice& device, FrameRenderer& renderer,
                       RunWriter* writer, RandomGenerator* random) {
  RandomGenerator& colours = random ? *random : ProgramRandom();
  if (writer) {
    // The card plays silence while the export runs.
    StartSilent(device);
    const std::int64_t blocks = RenderBlocks(host, renderer, *writer, colours);
    device.Stop();
    return blocks;
  }
  RunCursor run(host);
  StartSilent(device);
  std::int64_t blocks = 0;
  double heardPos = run.playPos;  // where the block the next picture shows starts
  do {
    renderer.SetSongTime(run.rate > 0 ? heardPos / run.rate : 0.0);
    heardPos = run.playPos;
    run.Next(host);
    // The card plays the block a lap after it is queued, when the picture
    // drawn from the previous block's sound has been seen: in step.
    renderer.Draw(host.PictureText(), host.PictureFont(), colours);
    host.ShowPicture(renderer.Picture());
    SendToCard(device, run.block.data());
    renderer.Analyse(run.block.data());
    ++blocks;
    if (host.LoopChecked() && !run.More()) run.playPos = run.range.start;
  } while (!host.StopRequested() && run.More());
  // The last block is still in the buffer, one lap ahead of the card: let it
  // be heard before stopping, unless the user asked for silence.
  if (!host.StopRequested()) {
    device.Wait(SoundDevice::Event::Mid);
    device.Reset(SoundDevice::Event::Mid);
    device.Wait(SoundDevice::Event::End);
    device.Reset(SoundDevice::Event::End);
  }
  device.Stop();
  return blocks;
}

}  // namespace sonavix
