#pragma once
// A fake kernel for tests, behind DeviceCalls: device nodes in /dev, the CD
// drives among them served by emulated drives, answering open, stat and the
// ioctls the Linux transports use as Linux does, for the CD block devices
// (sr) and the SCSI generic driver's nodes (sg). Every SG_IO header is
// checked field by field as the kernel checks it and answered with the
// kernel's status, masked status, host and driver status, sense length and
// residual, so the real transports run unchanged on top.

#include <scsi/sg.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cdda/device_calls.h"
#include "cdda/emulated_cd_drive.h"

namespace sonavix::cdda {

class FakeKernel final : public DeviceCalls {
 public:
  enum class Kind {
    CdBlock,  // /dev/srN: a block device that answers CDROM_GET_CAPABILITY
    Block,    // another block device (a disk)
    Generic,  // /dev/sgN: a SCSI generic node with its address
    Other,    // anything else in /dev
  };
  struct Node {
    Kind kind = Kind::Other;
    std::shared_ptr<EmulatedCdDrive> drive;  // what answers its commands; null: no device behind it
    sg_scsi_id address{};                    // of a Generic node
    int openError = 0;                       // errno of every open; 0: it opens
    bool readOnly = false;                   // opening for writing fails with EACCES
    int hostStatus = 0;                      // host_status of every SG_IO (DID_...); 0: DID_OK
  };
  std::map<std::string, Node> nodes;  // by name in /dev: "sr0", "sg1", "null"

  // A CD drive as Linux shows it: srN, and sgM at (host, channel 0, target,
  // LUN 0) with device type 5.
  void AddCdDrive(int sr, int sg, int host, int target, std::shared_ptr<EmulatedCdDrive> drive);

  struct Request {
    sg_io_hdr_t header;             // as it went back to the caller
    std::vector<std::uint8_t> cdb;  // the command, copied: the caller's buffer is its own
  };
  std::vector<Request> requests;    // every SG_IO carried out
  std::vector<int> refusals;          // the errno of every SG_IO refused
  std::vector<std::string> opened;    // the nodes opened, in order
  int OpenDescriptors() const { return static_cast<int>(open_.size()); }

  int Open(const std::string& path, int flags) override;
  int Close(int fd) override;
  int Stat(const std::string& path, struct stat& info) override;
  int Ioctl(int fd, unsigned long request, void* argument) override;
  std::vector<std::string> DeviceNames() override;

 private:
  Node* Find(const std::string& path);
  int SgIo(const Node& node, sg_io_hdr_t& header);

  std::map<int, std::string> open_;  // descriptor -> node name
  int nextFd_ = 100;
};

}  // namespace sonavix::cdda
