#pragma once
// An emulated MMC CD drive for tests: it answers INQUIRY, READ TOC (format 0,
// LBA addresses) and READ CD (2352-byte audio sectors) from a synthetic disc,
// fails on demand with given sense data, and logs every command it gets.
// The emulated transports (emulated_transports.h) put it behind both
// transport interfaces.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cdda/scsi_commands.h"

namespace sonavix::cdda {

struct EmulatedDisc {
  std::uint8_t firstTrack = 1;
  std::vector<std::uint32_t> trackStarts{0};  // LBA of each track, in order
  std::uint32_t leadOut = 4500;
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
  // Raw READ TOC reply to send instead of the disc's own.
  std::optional<std::vector<std::uint8_t>> rawToc;
  // Decides per READ CD (counted from 0) whether it fails and how.
  std::function<std::optional<SenseError>(std::size_t readIndex, std::uint32_t lba)> readFails;

  struct Command {
    std::vector<std::uint8_t> cdb;
    std::size_t dataLength = 0;  // bytes the caller offered for the reply
  };
  std::vector<Command> log;
  std::size_t reads = 0;  // READ CD commands seen

  // Carries out one command. Returns the SCSI status: 0 good, 2 check
  // condition with fixed-format sense data (70h) in `sense`. Writes at most
  // `dataLength` bytes of reply and `senseLength` bytes of sense; the bytes
  // of reply written go to `transferred` when given.
  std::uint8_t Execute(const std::uint8_t* cdb, std::size_t cdbLength, std::uint8_t* data,
                       std::size_t dataLength, std::uint8_t* sense, std::size_t senseLength,
                       std::size_t* transferred = nullptr);

  // The disc's TOC as READ TOC format 0 returns it with LBA addresses.
  std::vector<std::uint8_t> TocReply() const;

 private:
  std::uint8_t Carry(const std::uint8_t* cdb, std::size_t cdbLength, std::uint8_t* data,
                     std::size_t dataLength, std::uint8_t* sense, std::size_t senseLength,
                     std::size_t& written);
};

}  // namespace sonavix::cdda
