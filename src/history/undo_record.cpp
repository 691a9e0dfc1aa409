#include "history/undo_record.h"

#include <algorithm>
#include <new>
#include <utility>

#include "effects/reverse_speed.h"

namespace sonavix {

namespace {

// Undo and redo both swap the kept bytes with the document's: after an undo
// the record holds what the command wrote, after a redo what it replaced.
class KeptBytes final : public UndoRecord {
 public:
  KeptBytes(SampleBlock bytes, std::int64_t offset) : bytes_(std::move(bytes)), offset_(offset) {}
  void Undo(AudioDocument& doc) noexcept override { Swap(doc); }
  void Redo(AudioDocument& doc) noexcept override { Swap(doc); }
  std::int64_t Bytes() const noexcept override { return bytes_.size; }
  std::uint8_t* Old() { return bytes_.bytes.get(); }

 private:
  void Swap(AudioDocument& doc) noexcept {
    std::uint8_t* here = doc.SampleData.get() + offset_;
    std::swap_ranges(here, here + bytes_.size, bytes_.bytes.get());
  }
  SampleBlock bytes_;
  std::int64_t offset_;
};

class KeptReversal final : public UndoRecord {
 public:
  explicit KeptReversal(ByteSpan span) : span_(span) {}
  void Undo(AudioDocument& doc) noexcept override { ReverseFrames(doc, span_); }
  void Redo(AudioDocument& doc) noexcept override { ReverseFrames(doc, span_); }
  std::int64_t Bytes() const noexcept override { return 0; }

 private:
  ByteSpan span_;
};

class KeptRate final : public UndoRecord {
 public:
  explicit KeptRate(std::int32_t rate) : rate_(rate) {}
  void Undo(AudioDocument& doc) noexcept override { std::swap(doc.SampleRate, rate_); }
  void Redo(AudioDocument& doc) noexcept override { std::swap(doc.SampleRate, rate_); }
  std::int64_t Bytes() const noexcept override { return 0; }

 private:
  std::int32_t rate_;
};

// The document's block and format and the kept ones change places; the
// marks are the history's business.
class KeptBlock final : public UndoRecord {
 public:
  KeptBlock(SampleBlock block, SoundFormat format) : block_(std::move(block)), format_(format) {}
  void Undo(AudioDocument& doc) noexcept override { Swap(doc); }
  void Redo(AudioDocument& doc) noexcept override { Swap(doc); }
  std::int64_t Bytes() const noexcept override { return block_.size; }

 private:
  void Swap(AudioDocument& doc) noexcept {
    std::swap(doc.SampleData, block_.bytes);
    std::swap(doc.DataSize, block_.size);
    const SoundFormat current = doc.Format();
    doc.SampleRate = format_.SampleRate;
    doc.IsStereo = format_.IsStereo;
    doc.Is16Bit = format_.Is16Bit;
    format_ = current;
  }
  SampleBlock block_;
  SoundFormat format_;
};

}  // namespace

std::unique_ptr<UndoRecord> KeepBytes(const AudioDocument& doc, ByteSpan span, std::int64_t limit) {
  if (span.size > limit) return nullptr;
  SampleBlock bytes = SampleBlock::Allocate(static_cast<std::int32_t>(span.size));
  std::copy_n(doc.SampleData.get() + span.offset, span.size, bytes.bytes.get());
  return std::make_unique<KeptBytes>(std::move(bytes), span.offset);
}

std::unique_ptr<UndoRecord> KeepBytesWhile(ByteSpan span, std::int64_t limit,
                                           const std::function<void(std::uint8_t* old)>& command) {
  std::unique_ptr<KeptBytes> record;
  if (span.size <= limit) {
    try {
      record = std::make_unique<KeptBytes>(SampleBlock::Allocate(static_cast<std::int32_t>(span.size)), span.offset);
    } catch (const std::bad_alloc&) {
      record.reset();
    }
  }
  command(record ? record->Old() : nullptr);
  return record;
}

std::unique_ptr<UndoRecord> KeepReversal(ByteSpan span) { return std::make_unique<KeptReversal>(span); }

std::unique_ptr<UndoRecord> KeepRate(const AudioDocument& doc) {
  return std::make_unique<KeptRate>(doc.SampleRate);
}

std::unique_ptr<UndoRecord> KeepBlock(SampleBlock replaced, SoundFormat format) {
  return std::make_unique<KeptBlock>(std::move(replaced), format);
}

}  // namespace sonavix
