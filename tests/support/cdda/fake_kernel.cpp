#include "cdda/fake_kernel.h"

#include <fcntl.h>
#include <linux/cdrom.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace sonavix::cdda {

namespace {

constexpr unsigned kMaxTransfer = 256 * 1024;  // the queue's largest request, as sr drives often have
constexpr int kCapabilities = CDC_CLOSE_TRAY | CDC_OPEN_TRAY | CDC_LOCK | CDC_SELECT_SPEED | CDC_PLAY_AUDIO |
                              CDC_GENERIC_PACKET | CDC_CD_R | CDC_CD_RW | CDC_DVD;
constexpr std::uint8_t kCheckCondition = 0x02;
constexpr unsigned kDriverSense = 0x08;
constexpr unsigned short kDidNoConnect = 0x01;
constexpr std::size_t kSenseBytes = 32;

int Fail(int error) {
  errno = error;
  return -1;
}

}  // namespace

void FakeKernel::AddCdDrive(int sr, int sg, int host, int target, std::shared_ptr<EmulatedCdDrive> drive) {
  Node block;
  block.kind = Kind::CdBlock;
  block.drive = drive;
  nodes["sr" + std::to_string(sr)] = block;
  Node generic;
  generic.kind = Kind::Generic;
  generic.drive = std::move(drive);
  generic.address.host_no = host;
  generic.address.scsi_id = target;
  generic.address.scsi_type = 5;
  nodes["sg" + std::to_string(sg)] = generic;
}

FakeKernel::Node* FakeKernel::Find(const std::string& path) {
  if (path.rfind("/dev/", 0) != 0) return nullptr;
  const auto it = nodes.find(path.substr(5));
  return it == nodes.end() ? nullptr : &it->second;
}

int FakeKernel::Open(const std::string& path, int flags) {
  const Node* node = Find(path);
  if (!node) return Fail(ENOENT);
  if (node->openError != 0) return Fail(node->openError);
  if ((flags & O_ACCMODE) != O_RDONLY && node->readOnly) return Fail(EACCES);
  const int fd = nextFd_++;
  open_[fd] = path.substr(5);
  opened.push_back(path.substr(5));
  return fd;
}

int FakeKernel::Close(int fd) {
  return open_.erase(fd) == 1 ? 0 : Fail(EBADF);
}

int FakeKernel::Stat(const std::string& path, struct stat& info) {
  const Node* node = Find(path);
  if (!node) return Fail(ENOENT);
  info = {};
  switch (node->kind) {
    case Kind::CdBlock:
    case Kind::Block: info.st_mode = S_IFBLK | 0660; break;
    case Kind::Generic: info.st_mode = S_IFCHR | 0660; break;
    case Kind::Other: info.st_mode = S_IFCHR | 0666; break;
  }
  return 0;
}

std::vector<std::string> FakeKernel::DeviceNames() {
  std::vector<std::string> names;
  for (const auto& [name, node] : nodes) names.push_back(name);
  std::reverse(names.begin(), names.end());  // /dev is listed in no particular order
  return names;
}

int FakeKernel::Ioctl(int fd, unsigned long request, void* argument) {
  const auto it = open_.find(fd);
  if (it == open_.end()) return Fail(EBADF);
  const Node& node = nodes.at(it->second);
  const bool block = node.kind == Kind::CdBlock || node.kind == Kind::Block;
  if (request == CDROM_GET_CAPABILITY) return node.kind == Kind::CdBlock ? kCapabilities : Fail(ENOTTY);
  if (request == SG_GET_SCSI_ID) {
    if (node.kind != Kind::Generic) return Fail(ENOTTY);
    if (!argument) return Fail(EFAULT);
    std::memcpy(argument, &node.address, sizeof node.address);
    return 0;
  }
  if (request == SG_IO) {
    if (!block && node.kind != Kind::Generic) return Fail(ENOTTY);
    if (!argument) return Fail(EFAULT);
    auto& header = *static_cast<sg_io_hdr_t*>(argument);
    const int result = SgIo(node, header);
    if (result < 0) {
      refusals.push_back(errno);
    } else {
      const auto* cdb = static_cast<const std::uint8_t*>(header.cmdp);
      requests.push_back({header, std::vector<std::uint8_t>(cdb, cdb + header.cmd_len)});
    }
    return result;
  }
  return Fail(ENOTTY);
}

// The checks of the block layer's and the sg driver's SG_IO, then the
// command on the emulated drive, and the header's answer fields.
int FakeKernel::SgIo(const Node& node, sg_io_hdr_t& header) {
  if (header.interface_id != 'S') return Fail(node.kind == Kind::Generic ? ENOSYS : EINVAL);
  if (header.iovec_count != 0) return Fail(EINVAL);  // scatter lists are not served here
  if (header.cmd_len < 6 || header.cmd_len > 16) return Fail(EINVAL);
  if (!header.cmdp) return Fail(EFAULT);
  switch (header.dxfer_direction) {
    case SG_DXFER_NONE:
      if (header.dxfer_len != 0) return Fail(EINVAL);
      break;
    case SG_DXFER_TO_DEV:
    case SG_DXFER_FROM_DEV:
    case SG_DXFER_TO_FROM_DEV:
      if (header.dxfer_len == 0) return Fail(EINVAL);
      if (!header.dxferp) return Fail(EFAULT);
      break;
    default:
      return Fail(EINVAL);
  }
  if (header.dxfer_len > kMaxTransfer) return Fail(node.kind == Kind::Generic ? ENOMEM : EIO);
  if (header.mx_sb_len > 0 && !header.sbp) return Fail(EFAULT);

  header.status = 0;
  header.masked_status = 0;
  header.msg_status = 0;
  header.sb_len_wr = 0;
  header.host_status = 0;
  header.driver_status = 0;
  header.resid = static_cast<int>(header.dxfer_len);
  header.duration = 1;
  header.info = SG_INFO_OK;
  if (node.hostStatus != 0 || !node.drive) {
    // The command never reached a target: no SCSI status, no data.
    header.host_status = node.hostStatus != 0 ? static_cast<unsigned short>(node.hostStatus) : kDidNoConnect;
    header.info = SG_INFO_CHECK;
    return 0;
  }
  std::uint8_t sense[kSenseBytes] = {};
  std::size_t transferred = 0;
  auto* data = header.dxfer_direction == SG_DXFER_NONE ? nullptr : static_cast<std::uint8_t*>(header.dxferp);
  const std::uint8_t status = node.drive->Execute(static_cast<const std::uint8_t*>(header.cmdp), header.cmd_len,
                                                  data, header.dxfer_len, sense, sizeof sense, &transferred);
  header.status = status;
  header.masked_status = static_cast<unsigned char>((status >> 1) & 0x7F);
  header.resid = static_cast<int>(header.dxfer_len - std::min<std::size_t>(transferred, header.dxfer_len));
  if (status == kCheckCondition) {
    const std::size_t senseLength = std::min<std::size_t>(header.mx_sb_len, 8 + std::size_t{sense[7]});
    std::memcpy(header.sbp, sense, senseLength);
    header.sb_len_wr = static_cast<unsigned char>(senseLength);
    header.driver_status = kDriverSense;
  }
  if (status != 0) header.info = SG_INFO_CHECK;
  return 0;
}

}  // namespace sonavix::cdda
