// The converter component: opening and closing one stream of the audio
// compression layer, its buffers, and the texts of the layer's result codes.

#include "mp3/acm_converter.h"

#include <algorithm>

namespace sonavix {

namespace {

// The fixed text for a result code, or null for a code without one.
const char* AcmResultText(acm::Result result) {
  switch (result) {
    case acm::kInvalidHandle: return " The specified handle is invalid.";
    case acm::kNoDriver: return " A suitable driver is not available to provide valid format selections.";
    case acm::kNoMemory: return " The system is unable to allocate resources.";
    case acm::kInvalidFlag: return " At least one flag is invalid.";
    case acm::kInvalidParam: return " At least one parameter is invalid.";
    case acm::kNotPossible: return " The requested operation cannot be performed.";
    case acm::kBusy: return " The conversion stream is already in use.";
    case acm::kUnprepared: return " Cannot perform this action on a header that has not been prepared.";
    default: return nullptr;
  }
}

// PCM, 1 channel, 22050 Hz, 8 bits; cbSize 129 because the block is a fixed
// 129-byte area.
WaveFormatBlock DefaultFormatBlock() {
  WaveFormatBlock block;
  block.SetFormatTag(kWaveFormatPcm);
  block.SetChannels(1);
  block.SetSamplesPerSec(22050);
  block.SetAvgBytesPerSec(22050);
  block.SetBlockAlign(1);
  block.SetBitsPerSample(8);
  block.SetCbSize(kFormatBlockSize);
  return block;
}

WaveFormatBlock DefaultSourceFormat() {
  WaveFormatBlock block;
  block.SetFormatTag(kWaveFormatMpegLayer3);
  block.SetChannels(2);
  block.SetSamplesPerSec(24000);
  block.SetAvgBytesPerSec(7000);
  block.SetBlockAlign(1);
  block.SetBitsPerSample(0);
  block.SetCbSize(12);
  block.SetMp3Fields(1, 2, 168, 1, 1393);
  return block;
}

WaveFormatBlock DefaultDestinationFormat() {
  WaveFormatBlock block;
  block.SetFormatTag(kWaveFormatPcm);
  block.SetChannels(2);
  block.SetSamplesPerSec(44100);
  block.SetAvgBytesPerSec(176400);
  block.SetBlockAlign(4);
  block.SetBitsPerSample(16);
  block.SetCbSize(kFormatBlockSize);
  return block;
}

constexpr std::size_t kCountSize = 4;

// The header for one source and one destination buffer, nothing used yet.
acm::StreamHeader DescribeBuffers(std::uint8_t* source, std::uint32_t sourceSize, std::uint8_t* dest,
                                  std::uint32_t destSize) {
  acm::StreamHeader header;
  header.cbStruct = 84;
  header.fdwStatus = 0;
  header.dwUser = 0;
  header.pbSrc = source;
  header.cbSrcLength = sourceSize;
  header.cbSrcLengthUsed = 0;
  header.dwSrcUser = 0;
  header.pbDst = dest;
  header.cbDstLength = destSize;
  header.cbDstLengthUsed = 0;
  header.dwDstUser = 0;
  return header;
}

// Frees both buffers and clears the header that pointed at them.
void FreeBuffers(std::unique_ptr<std::uint8_t[]>& source, std::unique_ptr<std::uint8_t[]>& dest,
                 acm::StreamHeader& header) {
  source.reset();
  dest.reset();
  header = acm::StreamHeader{};
}

}  // namespace

void CheckAcmResult(acm::Result result, const std::string& prefix) {
  if (result == acm::kNoError) return;
  if (const char* text = AcmResultText(result)) throw AcmError(prefix + text);
  throw AcmError(prefix + " raised an unknown error (code #" + std::to_string(result) + ")");
}

AcmConverter::AcmConverter(acm::AcmManager& manager)
    : manager_(manager), formatIn_(DefaultFormatBlock()), formatOut_(DefaultFormatBlock()) {
  SetInputBufferSize(2048);
  SetUseRealTime(false);
}

AcmConverter::~AcmConverter() {
  try {
    SetActive(false);
  } catch (...) {
    // Close already left the component inactive with its buffers freed;
    // a destructor has no one to report the failure to.
  }
}

void AcmConverter::SetInputBufferSize(std::int32_t size) {
  if (active_) throw AcmError("You cannot change the buffer size while active.");
  inputBufferSize_ = size;
}

void AcmConverter::SetUseRealTime(bool on) {
  if (active_) throw AcmError("You cannot change the real time flag while active.");
  useRealTime_ = on;
}

void AcmConverter::SetActive(bool on) {
  if (on == active_) return;
  if (on) {
    Open();
  } else {
    Close();
  }
}

void AcmConverter::Open() {
  const std::uint32_t openFlags = useRealTime_ ? 0 : acm::kStreamOpenNonRealtime;
  acm::StreamHandle stream = nullptr;
  CheckAcmResult(manager_.StreamOpen(&stream, nullptr, formatIn_, formatOut_, nullptr, 0, 0, openFlags),
                 "acmStreamOpen:");
  stream_ = stream;
  try {
    // A buffer size of zero or below has no meaning as a byte count; refuse
    // it the way the layer refuses a bad argument instead of letting it wrap.
    if (inputBufferSize_ <= 0) CheckAcmResult(acm::kInvalidParam, "acmStreamSize:");
    const auto sourceSize = static_cast<std::uint32_t>(inputBufferSize_);
    std::uint32_t destSize = 0;
    CheckAcmResult(manager_.StreamSize(stream_, sourceSize, &destSize, acm::kStreamSizeSource),
                   "acmStreamSize:");
    destBufferSize_ = destSize;
    source_ = std::make_unique<std::uint8_t[]>(sourceSize);
    dest_ = std::make_unique<std::uint8_t[]>(destBufferSize_);
    header_ = DescribeBuffers(source_.get(), sourceSize, dest_.get(), destBufferSize_);
    CheckAcmResult(manager_.StreamPrepareHeader(stream_, header_, 0), "acmStreamPrepareHeader:");
  } catch (...) {
    // Leave nothing behind: no buffers, and no stream the layer would keep
    // open until it shuts down. The close result adds nothing to the error
    // already on its way.
    manager_.StreamClose(stream_, 0);
    stream_ = nullptr;
    FreeBuffers(source_, dest_, header_);
    throw;
  }
  active_ = true;
}

void AcmConverter::Close() {
  // Both calls are made and the component always ends inactive, so a failed
  // unprepare neither leaves the stream open nor blocks the next open. The
  // first failure is the one reported.
  const acm::Result unprepared = manager_.StreamUnprepareHeader(stream_, header_, 0);
  const acm::Result closed = manager_.StreamClose(stream_, 0);
  stream_ = nullptr;
  FreeBuffers(source_, dest_, header_);
  active_ = false;
  CheckAcmResult(unprepared, "acmStreamUnPrepareHeader:");
  CheckAcmResult(closed, "acmStreamClose:");
}

std::vector<std::uint8_t> AcmConverter::WriteFormatBlock(const WaveFormatBlock& block) {
  std::vector<std::uint8_t> data(kCountSize + kFormatBlockSize);
  StoreLe32(data.data(), kFormatBlockSize);
  std::copy(block.bytes.begin(), block.bytes.end(), data.begin() + kCountSize);
  return data;
}

bool AcmConverter::ReadFormatBlock(const std::uint8_t* data, std::size_t size, WaveFormatBlock& block) {
  if (size < kCountSize) return false;
  const std::size_t count = LoadLe32(data);
  if (size - kCountSize < count) return false;
  // A count above the block's size cannot all fit: the excess is skipped.
  const std::size_t kept = std::min(count, kFormatBlockSize);
  std::copy(data + kCountSize, data + kCountSize + kept, block.bytes.begin());
  return true;
}

void AcmConverter::UseMp3ToPcmFormats() {
  SetInputBufferSize(2048);
  const std::vector<std::uint8_t> in = WriteFormatBlock(DefaultSourceFormat());
  const std::vector<std::uint8_t> out = WriteFormatBlock(DefaultDestinationFormat());
  ReadFormatBlock(in.data(), in.size(), formatIn_);
  ReadFormatBlock(out.data(), out.size(), formatOut_);
}

}  // namespace sonavix
