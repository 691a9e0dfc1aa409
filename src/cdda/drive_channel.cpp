// A command through either transport, with the message line for its failure
// in the words each transport has always used.

#include "cdda/drive_channel.h"

#include <algorithm>
#include <cstdio>

#include "cdda/sense_messages.h"

namespace sonavix::cdda {

namespace {

constexpr std::uint8_t kCheckCondition = 0x02;

std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%X", value);
  return text;
}

std::string PassThroughErrorLine(const PassThroughRecord& record) {
  const SenseFields sense = ParseSense(record.Sense(), kSenseInfoLength);
  return "Fehler: SCSI Status " + std::to_string(record.ScsiStatus()) + "; Code:" +
         Hex(sense.byte2) + ";" + Hex(sense.asc) + ";" + Hex(sense.ascq) + " \"" +
         geterrorMessage(sense.byte2, sense.asc, sense.ascq) + "\"";
}

std::string GenericErrorLine(std::uint8_t status) {
  return "Fehler " + std::to_string(status) + " beim Ausführen des SCSI Kommandos...";
}

}  // namespace

DriveReply PassThroughChannel::Send(const Cdb& cdb, std::uint32_t length, std::uint32_t timeoutSeconds,
                                    std::uint8_t fill) {
  record_.Prepare(cdb, length, timeoutSeconds);
  std::fill_n(record_.Data(), std::min<std::size_t>(length, kDataAreaSize), fill);
  DriveReply reply;
  const bool carriedOut = drive_.Send(record_);
  reply.status = record_.ScsiStatus();
  reply.good = carriedOut && reply.status == 0;
  if (reply.good) {
    reply.transferred = std::min<std::size_t>(record_.DataTransferred(), kDataAreaSize);
    return reply;
  }
  if (carriedOut && reply.status == kCheckCondition) {
    reply.sense = ParseSense(record_.Sense(), kSenseInfoLength);
  }
  reply.errorLine = PassThroughErrorLine(record_);
  return reply;
}

DriveReply GenericChannel::Send(const Cdb& cdb, std::uint32_t length, std::uint32_t /*timeoutSeconds*/,
                                std::uint8_t fill) {
  std::fill_n(buffer_.data(), std::min<std::size_t>(length, kDataAreaSize), fill);
  SRB_ExecSCSICmd srb =
      MakeExecCommand(drive_.HostAdapter, drive_.Target, drive_.Lun, cdb, length, buffer_.data(), event_);
  DriveReply reply;
  reply.status = ExecuteAndWait(layer_, srb, event_);
  reply.good = reply.status == SS_COMP;
  if (reply.good) {
    reply.transferred = srb.SRB_BufLen - std::min(srb.SRB_BufResidual, srb.SRB_BufLen);
    return reply;
  }
  if (srb.SRB_TargStat == kCheckCondition) {
    reply.sense = ParseSense(srb.SenseArea, std::min<std::size_t>(srb.SRB_SenseLen, sizeof srb.SenseArea));
  }
  reply.errorLine = GenericErrorLine(reply.status);
  return reply;
}

}  // namespace sonavix::cdda
