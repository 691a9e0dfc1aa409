#include "history/inverse_records.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "document/little_endian.h"
#include "effects/echo.h"
#include "effects/echo_undo.h"
#include "effects/undo_flags.h"
#include "effects/volume.h"
#include "effects/volume_undo.h"

namespace sonavix {

namespace {

// Louder works through the span in pieces small enough for their old values
// to stay in the cache, where the few it clips are picked out.
constexpr std::int64_t kPieceBytes = 2 * static_cast<std::int64_t>(undo_flags::kPiece);

// A sample louder clipped: where it is (bytes from the span's start) and
// what it was.
struct Clipped {
  std::uint32_t offset;
  std::int16_t value;
};

std::int32_t SampleAt(const AudioDocument& doc, std::int64_t offset) {
  const std::uint8_t* p = doc.SampleData.get() + offset;
  return doc.Is16Bit ? static_cast<std::int16_t>(LoadLe16(p)) : *p - 128;
}

void SetSampleAt(AudioDocument& doc, std::int64_t offset, std::int32_t value) {
  std::uint8_t* p = doc.SampleData.get() + offset;
  if (doc.Is16Bit)
    StoreLe16(p, static_cast<std::uint16_t>(value));
  else
    *p = static_cast<std::uint8_t>(value + 128);
}

class LouderRecord final : public UndoRecord {
 public:
  LouderRecord(ByteSpan span, std::vector<Clipped> clipped) : span_(span), clipped_(std::move(clipped)) {}
  void Undo(AudioDocument& doc) noexcept override {
    UnmakeLouder(doc, span_);
    for (const Clipped& c : clipped_) SetSampleAt(doc, span_.offset + c.offset, c.value);
  }
  void Redo(AudioDocument& doc) noexcept override { MakeLouder(doc, span_); }
  std::int64_t Bytes() const noexcept override {
    return static_cast<std::int64_t>(clipped_.capacity() * sizeof(Clipped));
  }

 private:
  ByteSpan span_;
  std::vector<Clipped> clipped_;
};

class MaximumVolumeRecord final : public UndoRecord {
 public:
  MaximumVolumeRecord(ByteSpan span, MaximumVolumeTables tables) : span_(span), tables_(std::move(tables)) {}
  void Undo(AudioDocument& doc) noexcept override { UnmakeMaximumVolume(doc, span_, tables_); }
  void Redo(AudioDocument& doc) noexcept override { RemakeMaximumVolume(doc, span_, tables_); }
  std::int64_t Bytes() const noexcept override {
    return static_cast<std::int64_t>((tables_.forward.size() + tables_.back.size()) * sizeof(std::int16_t));
  }

 private:
  ByteSpan span_;
  MaximumVolumeTables tables_;
};

constexpr std::int64_t kFlagBytes = static_cast<std::int64_t>(undo_flags::kPieceFlagBytes);

// Room for the flags of quieter or the echo; empty when they would pass the
// limit or find no memory.
SampleBlock FlagsFor(std::int64_t size, std::int64_t limit) noexcept {
  if (size > limit) return {};
  try {
    return SampleBlock::Allocate(static_cast<std::int32_t>(size));
  } catch (const std::bad_alloc&) {
    return {};
  }
}

class QuieterRecord final : public UndoRecord {
 public:
  QuieterRecord(ByteSpan span, SampleBlock flags) : span_(span), flags_(std::move(flags)) {}
  // Quieter, one piece at a time, keeping each piece's flags.
  void Make(AudioDocument& doc) noexcept {
    ForEachPiece([&](ByteSpan piece, std::uint8_t* flags) { MakeQuieterKeeping(doc, piece, flags); });
  }
  void Undo(AudioDocument& doc) noexcept override {
    ForEachPiece([&](ByteSpan piece, std::uint8_t* flags) { UnmakeQuieter(doc, piece, flags); });
  }
  void Redo(AudioDocument& doc) noexcept override { MakeQuieter(doc, span_); }
  std::int64_t Bytes() const noexcept override { return flags_.size; }

 private:
  template <class Fn>
  void ForEachPiece(Fn fn) noexcept {
    const std::int64_t pieceBytes = 2 * static_cast<std::int64_t>(undo_flags::kPiece);
    for (std::int64_t at = 0, i = 0; at < span_.size; at += pieceBytes, ++i)
      fn(ByteSpan{span_.offset + at, std::min(pieceBytes, span_.size - at)}, flags_.bytes.get() + i * kFlagBytes);
  }
  ByteSpan span_;
  SampleBlock flags_;
};

class EchoRecord final : public UndoRecord {
 public:
  EchoRecord(EchoReach reach, SampleBlock flags) : reach_(reach), flags_(std::move(flags)) {}
  void Make(AudioDocument& doc) noexcept { AddEchoKeeping(doc, reach_, flags_.bytes.get()); }
  void Undo(AudioDocument& doc) noexcept override { UnmakeEcho(doc, reach_, flags_.bytes.get()); }
  // The flags are the same the second time: the plain echo does.
  void Redo(AudioDocument& doc) noexcept override { EchoSamples(doc, reach_.first, reach_.last, reach_.lag); }
  std::int64_t Bytes() const noexcept override { return flags_.size; }

 private:
  EchoReach reach_;
  SampleBlock flags_;
};

// The command with its bytes copied first, for what cannot be worked
// backwards; without room for the copy it runs on its own.
template <class Command>
std::unique_ptr<UndoRecord> Copying(const AudioDocument& doc, ByteSpan span, std::int64_t limit, Command command) {
  std::unique_ptr<UndoRecord> record;
  try {
    record = KeepBytes(doc, span, limit);
  } catch (const std::bad_alloc&) {
    record.reset();
  }
  command();
  return record;
}

// The command through a record of `size` bytes of flags made by `make`
// (which runs it with Make); without room for them it runs on its own.
template <class Make, class Command>
std::unique_ptr<UndoRecord> WithFlags(AudioDocument& doc, std::int64_t size, std::int64_t limit, Make make,
                                      Command command) {
  SampleBlock flags = FlagsFor(size, limit);
  decltype(make(std::move(flags))) record;
  if (flags.bytes) {
    try {
      record = make(std::move(flags));
    } catch (const std::bad_alloc&) {
      record.reset();
    }
  }
  if (!record) {
    command();
    return nullptr;
  }
  record->Make(doc);
  return record;
}

}  // namespace

std::unique_ptr<UndoRecord> QuieterKeeping(AudioDocument& doc, ByteSpan span, std::int64_t limit) {
  const auto quieter = [&] { MakeQuieter(doc, span); };
  // Eight bits are small enough to keep as they are.
  if (!doc.Is16Bit) return Copying(doc, span, limit, quieter);
  return WithFlags(
      doc, undo_flags::FlagBytes(span.size / 2, 2), limit,
      [span](SampleBlock flags) { return std::make_unique<QuieterRecord>(span, std::move(flags)); }, quieter);
}

std::unique_ptr<UndoRecord> EchoKeeping(AudioDocument& doc, double delaySeconds, std::int64_t limit) {
  const EchoReach reach = EchoReachOf(doc, delaySeconds);
  const auto echo = [&] { AddEcho(doc, delaySeconds); };
  if (!EchoCanBeUnmade(doc, reach)) return Copying(doc, EchoSpan(doc, delaySeconds), limit, echo);
  return WithFlags(
      doc, EchoFlagBytes(reach), limit,
      [reach](SampleBlock flags) { return std::make_unique<EchoRecord>(reach, std::move(flags)); }, echo);
}

std::unique_ptr<UndoRecord> LouderKeeping(AudioDocument& doc, ByteSpan span, std::int64_t limit) noexcept {
  std::vector<Clipped> clipped;
  bool keeping = true;
  const auto keep = [&](std::int64_t offset, std::int32_t value) {
    if (!keeping || !LouderClips(value, doc.Is16Bit)) return;
    try {
      if (static_cast<std::int64_t>((clipped.size() + 1) * sizeof(Clipped)) > limit) throw std::bad_alloc();
      clipped.push_back({static_cast<std::uint32_t>(offset - span.offset), static_cast<std::int16_t>(value)});
    } catch (const std::bad_alloc&) {
      keeping = false;  // louder goes on; undo will not be possible
      clipped = {};
    }
  };
  std::int16_t old[undo_flags::kPiece];
  for (std::int64_t at = span.offset; at < span.offset + span.size; at += kPieceBytes) {
    const ByteSpan piece{at, std::min(kPieceBytes, span.offset + span.size - at)};
    if (doc.Is16Bit) {
      if (MakeLouderKeeping(doc, piece, old))
        for (std::int64_t i = 0; i < piece.size / 2; ++i) keep(at + 2 * i, old[i]);
    } else {
      for (std::int64_t i = 0; i < piece.size; ++i) keep(at + i, SampleAt(doc, at + i));
      MakeLouder(doc, piece);
    }
  }
  if (!keeping) return nullptr;
  try {
    clipped.shrink_to_fit();
    return std::make_unique<LouderRecord>(span, std::move(clipped));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::unique_ptr<UndoRecord> MaximumVolumeKeeping(AudioDocument& doc, ByteSpan span) {
  const std::int32_t peak = VolumePeak(doc, span);
  std::unique_ptr<UndoRecord> record;
  try {
    record = std::make_unique<MaximumVolumeRecord>(span, MakeMaximumVolumeTables(peak));
  } catch (const std::bad_alloc&) {
    MaximumVolume(doc, span, peak);  // without undo, if it finds the memory
    return nullptr;
  }
  record->Redo(doc);
  return record;
}

}  // namespace sonavix
