#pragma once
// An emulated MMC CD drive for tests: it answers INQUIRY, READ TOC (format 0,
// LBA addresses) and READ CD (2352-byte audio sectors, 2048 bytes of user
// data from a data track) from a synthetic disc, fails on demand with given
// sense data, spins a disc up, cuts replies short, and logs every command it
// gets.
// The emulated transports (emulated_transports.h) put it behind both
// transport interfaces.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cdda/cd_text.h"
#include "cdda/scsi_commands.h"
#include "document/work_progress.h"

namespace sonavix::cdda {

struct EmulatedDisc {
  std::uint8_t firstTrack = 1;
  std::vector<std::uint32_t> trackStarts{0};  // LBA of each track, in order
  std::uint32_t leadOut = 4500;
  // Track numbers of data tracks (control 4): a mixed-mode disc.
  std::vector<std::uint8_t> dataTracks;
  // Sectors no READ CD can read: one that asks for any of them fails with
  // an unrecovered read error (3/11/00).
  std::set<std::uint32_t> badSectors;
  // The first track of each session after the first (an Enhanced CD: {4}
  // for three audio tracks and a data session). The first session's
  // lead-out starts 11 400 sectors before the next session's first track.
  std::vector<std::uint8_t> laterSessions;
  // What a read between the sessions meets, as drives differ: an illegal
  // request (5/21/00 "LBA out of range"), a medium error, or lead-out
  // sectors that read (as silence).
  enum class Gap { OutOfRange, MediumError, Readable };
  Gap gap = Gap::OutOfRange;
  // The sample byte at `offset` of sector `lba`; the default pattern makes
  // every sector's bytes different from its neighbours'.
  static std::uint8_t SectorByte(std::uint32_t lba, std::size_t offset);
};

struct SenseError {
  std::uint8_t senseKey = 3;  // medium error
  std::uint8_t asc = 0x11;    // unrecovered read error
  std::uint8_t ascq = 0x00;
};

class EmulatedCdDrive {
 public:
  std::string vendor = "SONAVIX ";
  std::string product = "EMULATED CD-ROM ";  // 16 characters
  EmulatedDisc disc;
  bool inquiryFails = false;
  std::optional<SenseError> tocFails;
  // The drive knows READ TOC format 1 (session information) and format 2
  // (the full TOC); some know neither.
  bool sessionInfo = true;
  bool fullToc = true;
  // Raw READ TOC reply to send instead of the disc's own.
  std::optional<std::vector<std::uint8_t>> rawToc;
  // The disc's CD-Text for READ TOC format 5; without it the format is refused.
  std::optional<CdText> cdText;
  // Decides per READ CD (counted from 0) whether it fails and how.
  std::function<std::optional<SenseError>(std::size_t readIndex, std::uint32_t lba)> readFails;
  // Decides per READ CD whether its reply is cut short, with good status,
  // and to how many bytes.
  std::function<std::optional<std::size_t>(std::size_t readIndex, std::uint32_t lba)> readShort;

  // While set, every command but INQUIRY is refused with this sense, as by
  // a drive without a disc (2/3A/00, 2/3A/01 tray closed, 2/3A/02 open).
  std::optional<SenseError> notReady;
  // A disc just put in spins up: every command but INQUIRY is refused with
  // "not ready, becoming ready" (2/04/01) while `spinUpCommands` is above 0,
  // each refusal counting it down, or while `clock` shows less than
  // `readyAt`.
  std::size_t spinUpCommands = 0;
  std::optional<double> readyAt;
  SecondsClock clock = SteadySeconds;
  // Once ready, the next command but INQUIRY is refused with "unit
  // attention, medium may have changed" (6/28/00), and this turns false.
  bool mediumChanged = false;

  struct Command {
    std::vector<std::uint8_t> cdb;
    std::size_t dataLength = 0;  // bytes the caller offered for the reply
  };
  std::vector<Command> log;
  std::size_t reads = 0;  // READ CD commands seen, refused or not

  // Carries out one command. Returns the SCSI status: 0 good, 2 check
  // condition with fixed-format sense data (70h) in `sense`. Writes at most
  // `dataLength` bytes of reply and `senseLength` bytes of sense; the bytes
  // of reply written go to `transferred` when given.
  std::uint8_t Execute(const std::uint8_t* cdb, std::size_t cdbLength, std::uint8_t* data,
                       std::size_t dataLength, std::uint8_t* sense, std::size_t senseLength,
                       std::size_t* transferred = nullptr);

  // The disc's TOC as READ TOC format 0 returns it with LBA addresses, and
  // formats 1 and 2 (session information, the full TOC in MSF).
  std::vector<std::uint8_t> TocReply() const;
  std::vector<std::uint8_t> SessionInfoReply() const;
  std::vector<std::uint8_t> FullTocReply() const;
  // A jittery drive: READ CD number `readIndex` (from 0) answers sector
  // `lba` with its bytes changed; decides per read.
  std::function<bool(std::size_t readIndex, std::uint32_t lba)> jitter;
  // Time a READ CD takes: per command and per sector, spent on `sleep`.
  double secondsPerRead = 0;
  double secondsPerSector = 0;
  std::function<void(double)> sleep;

 private:
  std::uint8_t Carry(const std::uint8_t* cdb, std::size_t cdbLength, std::uint8_t* data,
                     std::size_t dataLength, std::uint8_t* sense, std::size_t senseLength,
                     std::size_t& written);
  std::uint8_t ReadCd(std::uint32_t lba, std::uint32_t count, std::size_t readIndex, std::uint8_t* data,
                      std::size_t dataLength, std::uint8_t* sense, std::size_t senseLength,
                      std::size_t& written);
  std::optional<SenseError> Unready();
  bool IsDataSector(std::uint32_t lba) const;
  // Whether `lba` lies between the first session's lead-out and the next
  // session's first track.
  bool InSessionGap(std::uint32_t lba) const;
};

}  // namespace sonavix::cdda
