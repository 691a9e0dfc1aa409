#pragma once
// One data-in command to the drive a track is read from, the same way
// through either transport: the reply says whether the drive carried it out
// with good status, what its sense data were, how many bytes came and which
// message line tells of a failure. Used by the track reader only.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "cdda/cd_drives.h"
#include "cdda/pass_through.h"
#include "cdda/scsi_commands.h"
#include "cdda/scsi_generic.h"

namespace sonavix::cdda {

struct DriveReply {
  bool good = false;                 // carried out with good status
  std::uint8_t status = 0;           // SCSI status (pass-through) or request status (generic layer)
  std::optional<SenseFields> sense;  // with a check condition
  std::size_t transferred = 0;       // bytes of reply, as the transport reports them
  std::string errorLine;             // the message for a failure
};

class DriveChannel {
 public:
  virtual ~DriveChannel() = default;
  // Fills the first `length` bytes of the data area with `fill`, then sends
  // `cdb` for up to `length` bytes of reply.
  virtual DriveReply Send(const Cdb& cdb, std::uint32_t length, std::uint32_t timeoutSeconds,
                          std::uint8_t fill) = 0;
  // The data area, writable so that a reply can be changed in place.
  virtual std::uint8_t* Data() = 0;
};

class PassThroughChannel final : public DriveChannel {
 public:
  PassThroughChannel(PassThroughDrive& drive, PassThroughRecord& record) : drive_(drive), record_(record) {}
  DriveReply Send(const Cdb& cdb, std::uint32_t length, std::uint32_t timeoutSeconds,
                  std::uint8_t fill) override;
  std::uint8_t* Data() override { return record_.Data(); }

 private:
  PassThroughDrive& drive_;
  PassThroughRecord& record_;
};

// The generic layer does not use the time-out: its requests wait for their
// event.
class GenericChannel final : public DriveChannel {
 public:
  GenericChannel(ScsiGenericLayer& layer, const CDDrive& drive, AlignedTransferBuffer& buffer,
                 CompletionEvent& event)
      : layer_(layer), drive_(drive), buffer_(buffer), event_(event) {}
  DriveReply Send(const Cdb& cdb, std::uint32_t length, std::uint32_t timeoutSeconds,
                  std::uint8_t fill) override;
  std::uint8_t* Data() override { return buffer_.data(); }

 private:
  ScsiGenericLayer& layer_;
  const CDDrive& drive_;
  AlignedTransferBuffer& buffer_;
  CompletionEvent& event_;
};

}  // namespace sonavix::cdda
