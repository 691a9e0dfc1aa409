#include "history/edit_history.h"

#include <algorithm>
#include <new>
#include <utility>

namespace sonavix {

void EditHistory::Prepare() {
  // The redo steps go once the command has run, so one more place than the
  // undo steps is all that adding needs.
  steps_.reserve(done_ + 1);
}

std::int64_t EditHistory::LimitFor(const AudioDocument& doc) const {
  return limit_ > 0 ? limit_ : std::max<std::int64_t>(kMinimumLimit, doc.DataSize);
}

void EditHistory::Perform(AudioDocument& doc, const ViewState& view, const char* name,
                          const KeepBefore& keep, const std::function<void()>& command) {
  const std::int64_t limit = LimitFor(doc);
  std::unique_ptr<UndoRecord> record;
  try {
    Prepare();
    record = keep(doc, limit);
  } catch (const std::bad_alloc&) {
    record.reset();  // the edit goes ahead without undo
  }
  Step step{name, nullptr, doc.SelStart, doc.SelEnd, view, 0};
  command();
  if (!record) return Block(name);
  step.record = std::move(record);
  Add(std::move(step), limit);
}

bool EditHistory::PerformReplacing(AudioDocument& doc, const ViewState& view, const char* name,
                                   const ReplacingCommand& command) {
  const std::int64_t limit = LimitFor(doc);
  const SoundFormat format = doc.Format();
  bool prepared = true;
  try {
    Prepare();
  } catch (const std::bad_alloc&) {
    prepared = false;
  }
  Step step{name, nullptr, doc.SelStart, doc.SelEnd, view, 0};
  SampleBlock replaced;
  if (!command(doc, &replaced)) return false;
  try {
    if (prepared) step.record = KeepBlock(std::move(replaced), format);
  } catch (const std::bad_alloc&) {
    step.record.reset();
  }
  if (!step.record) {
    Block(name);
  } else {
    Add(std::move(step), limit);
  }
  return true;
}

void EditHistory::Add(Step step, std::int64_t limit) noexcept {
  if (step.record->Bytes() > limit) return Block(step.name);
  steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
  step.state = nextState_++;
  steps_.push_back(std::move(step));  // room was made before the command
  done_ = steps_.size();
  // The oldest steps go until the rest fit; the newest alone always does.
  while (MemoryUsed() > limit) {
    baseState_ = steps_.front().state;
    blockedBy_ = nullptr;
    steps_.erase(steps_.begin());
    --done_;
  }
}

void EditHistory::Block(const char* name) noexcept {
  steps_.clear();
  done_ = 0;
  blockedBy_ = name;
  baseState_ = nextState_++;
}

void EditHistory::Clear() noexcept {
  steps_.clear();
  done_ = 0;
  blockedBy_ = nullptr;
  baseState_ = nextState_++;
  savedState_ = baseState_;
}

const char* EditHistory::UndoName() const {
  if (done_ > 0) return steps_[done_ - 1].name;
  return blockedBy_;
}

const char* EditHistory::RedoName() const { return CanRedo() ? steps_[done_].name : nullptr; }

void EditHistory::SwapState(Step& step, AudioDocument& doc, ViewState& view) noexcept {
  std::swap(step.selStart, doc.SelStart);
  std::swap(step.selEnd, doc.SelEnd);
  std::swap(step.view, view);
}

std::optional<ViewState> EditHistory::Undo(AudioDocument& doc, const ViewState& view) noexcept {
  if (!CanUndo()) return std::nullopt;
  Step& step = steps_[--done_];
  step.record->Undo(doc);
  ViewState shown = view;
  SwapState(step, doc, shown);
  return shown;
}

std::optional<ViewState> EditHistory::Redo(AudioDocument& doc, const ViewState& view) noexcept {
  if (!CanRedo()) return std::nullopt;
  Step& step = steps_[done_++];
  step.record->Redo(doc);
  ViewState shown = view;
  SwapState(step, doc, shown);
  return shown;
}

std::int64_t EditHistory::MemoryUsed() const noexcept {
  std::int64_t used = 0;
  for (const Step& step : steps_) used += step.record->Bytes();
  return used;
}

}  // namespace sonavix
