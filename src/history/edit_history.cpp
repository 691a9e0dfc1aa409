#include "history/edit_history.h"

#include <algorithm>
#include <new>
#include <utility>

namespace sonavix {

bool EditHistory::Prepare() noexcept {
  // The redo steps go once the command has run, so one more place than the
  // undo steps is all that adding needs.
  try {
    // Grown by doubling, as push_back would: a reserve of one more each
    // time would move every step on every edit.
    if (steps_.capacity() < done_ + 1) steps_.reserve(std::max<std::size_t>(2 * steps_.capacity(), 16));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::int64_t EditHistory::LimitFor(const AudioDocument& doc) const {
  return limit_ > 0 ? limit_ : std::max<std::int64_t>(kMinimumLimit, doc.DataSize);
}

void EditHistory::PerformKeeping(AudioDocument& doc, const ViewState& view, const char* name,
                                 const KeepingCommand& run) {
  const std::int64_t limit = LimitFor(doc);
  const bool prepared = Prepare();
  Step step{name, nullptr, doc.SelStart, doc.SelEnd, view, 0};
  step.record = run(doc, limit);
  Keep(std::move(step), prepared, limit);
}

void EditHistory::Perform(AudioDocument& doc, const ViewState& view, const char* name,
                          const KeepBefore& keep, const std::function<void()>& command) {
  PerformKeeping(doc, view, name, [&](AudioDocument& d, std::int64_t limit) {
    std::unique_ptr<UndoRecord> record;
    try {
      record = keep(d, limit);
    } catch (const std::bad_alloc&) {
      record.reset();  // the edit goes ahead without undo
    }
    command();
    return record;
  });
}

bool EditHistory::PerformReplacing(AudioDocument& doc, const ViewState& view, const char* name,
                                   const ReplacingCommand& command) {
  const std::int64_t limit = LimitFor(doc);
  const SoundFormat format = doc.Format();
  const bool prepared = Prepare();
  Step step{name, nullptr, doc.SelStart, doc.SelEnd, view, 0};
  SampleBlock replaced;
  if (!command(doc, &replaced)) return false;
  try {
    step.record = KeepBlock(std::move(replaced), format);
  } catch (const std::bad_alloc&) {
    step.record.reset();
  }
  Keep(std::move(step), prepared, limit);
  return true;
}

void EditHistory::Keep(Step step, bool prepared, std::int64_t limit) noexcept {
  // Without its record, or without room for it, or too large to keep, the
  // step cannot be undone, and neither can anything before it.
  if (!prepared || !step.record || step.record->Bytes() > limit) return Block(step.name);
  for (std::size_t i = done_; i < steps_.size(); ++i) used_ -= steps_[i].record->Bytes();
  steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
  step.state = nextState_++;
  used_ += step.record->Bytes();
  steps_.push_back(std::move(step));  // room was made before the command
  done_ = steps_.size();
  // The oldest steps go until the rest fit; the newest alone always does.
  while (used_ > limit) {
    used_ -= steps_.front().record->Bytes();
    baseState_ = steps_.front().state;
    blockedBy_ = nullptr;
    steps_.erase(steps_.begin());
    --done_;
  }
}

void EditHistory::Block(const char* name) noexcept {
  steps_.clear();
  used_ = 0;
  done_ = 0;
  blockedBy_ = name;
  baseState_ = nextState_++;
}

void EditHistory::Clear() noexcept {
  steps_.clear();
  used_ = 0;
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

std::optional<ViewState> EditHistory::Turn(Step& step, bool back, AudioDocument& doc, const ViewState& view) noexcept {
  used_ -= step.record->Bytes();
  if (back)
    step.record->Undo(doc);
  else
    step.record->Redo(doc);
  used_ += step.record->Bytes();
  ViewState shown = view;
  SwapState(step, doc, shown);
  return shown;
}

std::optional<ViewState> EditHistory::Undo(AudioDocument& doc, const ViewState& view) noexcept {
  if (!CanUndo()) return std::nullopt;
  return Turn(steps_[--done_], true, doc, view);
}

std::optional<ViewState> EditHistory::Redo(AudioDocument& doc, const ViewState& view) noexcept {
  if (!CanRedo()) return std::nullopt;
  return Turn(steps_[done_++], false, doc, view);
}

}  // namespace sonavix
