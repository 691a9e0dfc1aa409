#pragma once
// The list of edits that can be taken back and done again. Each step holds
// its command's name, what undo needs of the sound (an UndoRecord), and the
// selection marks and view of the state it does not show at the moment: an
// undo and a redo swap them with the document's.
//
// The history owns no document: the caller hands it the document and the
// view with every call, and shows the view it gets back.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "document/audio_document.h"
#include "history/undo_record.h"

namespace sonavix {

// Where the window shows the sound: the zoom field's value and the scroll
// position.
struct ViewState {
  double zoom = 1;
  int scroll = 0;
  friend bool operator==(const ViewState&, const ViewState&) = default;
};

class EditHistory {
 public:
  static constexpr std::int64_t kMinimumLimit = std::int64_t{1} << 30;

  // How a command is kept: from the document before it runs (in-place
  // commands), given the most the record may hold; null when it would hold
  // more, and std::bad_alloc when there is no memory for it. Or from the
  // block it replaced.
  using KeepBefore = std::function<std::unique_ptr<UndoRecord>(const AudioDocument&, std::int64_t limit)>;
  using ReplacingCommand = std::function<bool(AudioDocument&, SampleBlock* replaced)>;
  // Or while it runs: the command is carried out and returns its record,
  // or null when it could not keep what undo needs. It must not throw once
  // it has changed the document.
  using KeepingCommand = std::function<std::unique_ptr<UndoRecord>(AudioDocument&, std::int64_t limit)>;

  // Runs an in-place command and keeps it. `name` is a caption that lives as
  // long as the program (a string literal). When what undo needs cannot be
  // kept (too large for the limit, or no memory for it), the command still
  // runs, and nothing before it can be undone any more. A command that
  // throws leaves the history as it was.
  void Perform(AudioDocument& doc, const ViewState& view, const char* name, const KeepBefore& keep,
               const std::function<void()>& command);
  // Runs a command that keeps what undo needs as it goes.
  void PerformKeeping(AudioDocument& doc, const ViewState& view, const char* name, const KeepingCommand& run);
  // Runs a command that replaces the block (returns true when it did) and
  // keeps the old block. Returns the command's answer.
  bool PerformReplacing(AudioDocument& doc, const ViewState& view, const char* name,
                        const ReplacingCommand& command);

  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < steps_.size(); }
  // The name of the step an undo or redo would take back or do again; for
  // undo, when nothing can be undone because an edit could not be kept,
  // that edit's name (see UndoBlocked); otherwise null.
  const char* UndoName() const;
  const char* RedoName() const;
  bool UndoBlocked() const { return done_ == 0 && blockedBy_ != nullptr; }

  // Take back the last step or do the next one again: the document and
  // marks change, and the view to show is returned. Empty when there is
  // nothing to do. Never allocates.
  std::optional<ViewState> Undo(AudioDocument& doc, const ViewState& view) noexcept;
  std::optional<ViewState> Redo(AudioDocument& doc, const ViewState& view) noexcept;

  // A new document: no steps, and nothing changed since it was loaded.
  void Clear() noexcept;
  // The document as it is now was saved; undoing or redoing away from this
  // state makes it changed again.
  void MarkSaved() noexcept { savedState_ = CurrentState(); }
  bool Modified() const noexcept { return CurrentState() != savedState_; }

  // The most the steps may hold, in bytes. Without a setting (0) it is the
  // larger of kMinimumLimit and the size of the sound at the time of the edit.
  void SetMemoryLimit(std::int64_t bytes) { limit_ = bytes; }
  std::int64_t MemoryUsed() const noexcept { return used_; }
  std::size_t StepCount() const { return steps_.size(); }

 private:
  struct Step {
    const char* name = nullptr;
    std::unique_ptr<UndoRecord> record;
    std::int32_t selStart = 0;
    std::int32_t selEnd = 0;
    ViewState view;
    std::uint64_t state = 0;  // the document's state after this step
  };

  // Before the command: makes room for the step so that adding it cannot
  // fail once the command has run. False when there is no memory for it.
  bool Prepare() noexcept;
  void Keep(Step step, bool prepared, std::int64_t limit) noexcept;
  void Block(const char* name) noexcept;
  std::int64_t LimitFor(const AudioDocument& doc) const;
  static void SwapState(Step& step, AudioDocument& doc, ViewState& view) noexcept;
  // Undoes (back) or redoes a step; returns the view to show.
  std::optional<ViewState> Turn(Step& step, bool back, AudioDocument& doc, const ViewState& view) noexcept;
  std::uint64_t CurrentState() const noexcept { return done_ > 0 ? steps_[done_ - 1].state : baseState_; }

  std::vector<Step> steps_;  // 0 ... done_ - 1 can be undone, the rest redone
  std::size_t done_ = 0;
  std::uint64_t nextState_ = 1;
  std::uint64_t baseState_ = 0;   // the state below the oldest step
  std::uint64_t savedState_ = 0;  // the state last loaded or saved
  const char* blockedBy_ = nullptr;
  std::int64_t limit_ = 0;
  std::int64_t used_ = 0;  // the bytes the steps' records hold
};

}  // namespace sonavix
