// The parts of the fallback transport that do not depend on a back end: the
// completion event, the aligned transfer buffer and one synchronous request.

#include "cdda/scsi_generic.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace sonavix::cdda {

// Notifies under the lock: a waiter may destroy the event as soon as it
// wakes, so Set must not touch it after releasing the mutex.
void CompletionEvent::Set() {
  std::lock_guard lock(mutex_);
  set_ = true;
  changed_.notify_all();
}

void CompletionEvent::Reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

void CompletionEvent::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return set_; });
}

bool CompletionEvent::IsSet() const {
  std::lock_guard lock(mutex_);
  return set_;
}

std::unique_ptr<CompletionEvent> ScsiGenericLayer::CreateEvent() {
  return std::make_unique<CompletionEvent>();
}

namespace {
// Room for a 23521-byte area after rounding up to the next 64 KiB boundary.
constexpr std::size_t kAllocationBytes = 89056;
constexpr std::uintptr_t kBoundary = 65536;
}  // namespace

AlignedTransferBuffer::AlignedTransferBuffer()
    : allocation_(std::make_unique<std::uint8_t[]>(kAllocationBytes)) {
  const auto address = reinterpret_cast<std::uintptr_t>(allocation_.get());
  const std::uintptr_t rounded = (address + kBoundary - 1) / kBoundary * kBoundary;
  aligned_ = allocation_.get() + (rounded - address);
}

SRB_ExecSCSICmd MakeExecCommand(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun,
                                const Cdb& cdb, std::uint32_t length, std::uint8_t* buffer,
                                CompletionEvent& event) {
  SRB_ExecSCSICmd srb;
  srb.SRB_HaId = adapter;
  srb.SRB_Flags = SRB_DIR_IN | SRB_EVENT_NOTIFY;
  srb.SRB_Target = target;
  srb.SRB_Lun = lun;
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = buffer;
  srb.SRB_SenseLen = 24;
  srb.SRB_CDBLen = cdb.length;
  srb.SRB_PostProc = &event;
  std::copy(cdb.bytes.begin(), cdb.bytes.end(), srb.CDBByte);
  return srb;
}

std::uint8_t ExecuteAndWait(ScsiGenericLayer& layer, SRB_ExecSCSICmd& srb, CompletionEvent& event) {
  event.Reset();
  if (layer.SendASPI32Command(srb) == SS_PENDING) event.Wait();
  return srb.SRB_Status;
}

}  // namespace sonavix::cdda
