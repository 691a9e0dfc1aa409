#include "mp3/acm.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "mp3/mpg123_acm_driver.h"

namespace sonavix::acm {

// The objects behind the handles. A handle is the object's address; it is
// only ever dereferenced after it was found among the live objects.
struct DriverEntry {
  std::unique_ptr<AcmDriver> driver;
};

struct OpenDriver {
  DriverEntry* entry = nullptr;
};

struct OpenStream {
  std::unique_ptr<AcmDriverStream> stream;
  std::vector<const StreamHeader*> prepared;  // headers prepared on this stream

  bool IsPrepared(const StreamHeader* header) const {
    return std::find(prepared.begin(), prepared.end(), header) != prepared.end();
  }
};

struct AcmManager::State {
  std::vector<std::unique_ptr<DriverEntry>> drivers;
  std::vector<std::unique_ptr<OpenDriver>> openDrivers;
  std::vector<std::unique_ptr<OpenStream>> streams;

  DriverEntry* FindDriver(DriverId id) const {
    for (const auto& d : drivers)
      if (d.get() == id) return d.get();
    return nullptr;
  }
  OpenDriver* FindOpenDriver(DriverHandle handle) const {
    for (const auto& d : openDrivers)
      if (d.get() == handle) return d.get();
    return nullptr;
  }
  OpenStream* FindStream(StreamHandle handle) const {
    for (const auto& s : streams)
      if (s.get() == handle) return s.get();
    return nullptr;
  }
  // The stream other than `except` that has `header` prepared, if any.
  const OpenStream* StreamPreparing(const StreamHeader* header, const OpenStream* except) const {
    for (const auto& s : streams)
      if (s.get() != except && s->IsPrepared(header)) return s.get();
    return nullptr;
  }
};

namespace {

constexpr std::uint32_t kFormatDetailsSize = 152;
constexpr std::uint32_t kStreamHeaderSize = 84;

bool HasOnly(std::uint32_t flags, std::uint32_t allowed) { return (flags & ~allowed) == 0; }

std::uint32_t SupportOf(const AcmDriver& driver) {
  return kDriverSupportCodec | (driver.Disabled() ? kDriverSupportDisabled : 0);
}

// A readable name for a format, such as "44.100 kHz, 128 kbit/s, Stereo".
std::string FormatName(const WaveFormatBlock& block) {
  const std::uint32_t rate = block.SamplesPerSec();
  char text[96];
  const std::string channels = block.Channels() == 1   ? "Mono"
                               : block.Channels() == 2 ? "Stereo"
                                                       : std::to_string(block.Channels()) + " channels";
  if (block.FormatTag() == kWaveFormatPcm)
    std::snprintf(text, sizeof text, "%u.%03u kHz, %u bit, ", rate / 1000, rate % 1000,
                  unsigned(block.BitsPerSample()));
  else
    std::snprintf(text, sizeof text, "%u.%03u kHz, %u kbit/s, ", rate / 1000, rate % 1000,
                  unsigned(block.AvgBytesPerSec() / 125));
  return text + channels;
}

}  // namespace

AcmManager::AcmManager(std::vector<std::unique_ptr<AcmDriver>> drivers) : state_(std::make_unique<State>()) {
  for (auto& driver : drivers) {
    if (!driver) continue;
    auto entry = std::make_unique<DriverEntry>();
    entry->driver = std::move(driver);
    state_->drivers.push_back(std::move(entry));
  }
}

AcmManager::~AcmManager() {
  // Streams go first: they may refer to their driver.
  state_->streams.clear();
  state_->openDrivers.clear();
}

Result AcmManager::DriverEnum(const DriverCallback& callback, std::uint32_t flags) {
  if (!HasOnly(flags, kDriverEnumDisabled)) return kInvalidFlag;
  if (!callback) return kInvalidParam;
  for (std::size_t i = 0; i < state_->drivers.size(); ++i) {
    DriverEntry* entry = state_->drivers[i].get();
    if (entry->driver->Disabled() && !(flags & kDriverEnumDisabled)) continue;
    if (!callback(entry, SupportOf(*entry->driver))) break;
  }
  return kNoError;
}

Result AcmManager::DriverOpen(DriverHandle* handle, DriverId id, std::uint32_t flags) {
  if (!handle) return kInvalidParam;
  *handle = nullptr;
  DriverEntry* entry = state_->FindDriver(id);
  if (!entry) return kInvalidHandle;
  if (flags != 0) return kInvalidFlag;
  auto open = std::make_unique<OpenDriver>();
  open->entry = entry;
  *handle = open.get();
  state_->openDrivers.push_back(std::move(open));
  return kNoError;
}

Result AcmManager::DriverClose(DriverHandle handle, std::uint32_t flags) {
  if (!state_->FindOpenDriver(handle)) return kInvalidHandle;
  if (flags != 0) return kInvalidFlag;
  std::erase_if(state_->openDrivers, [handle](const auto& d) { return d.get() == handle; });
  return kNoError;
}

std::string AcmManager::DriverName(DriverId id) const {
  const DriverEntry* entry = state_->FindDriver(id);
  return entry ? entry->driver->Name() : std::string();
}

Result AcmManager::FormatEnum(DriverHandle driver, FormatDetails& details, const FormatCallback& callback,
                              std::uint32_t flags) {
  const OpenDriver* open = state_->FindOpenDriver(driver);
  if (!open) return kInvalidHandle;
  if (!HasOnly(flags, kFormatEnumWfxTag)) return kInvalidFlag;
  if (!callback || details.cbStruct < kFormatDetailsSize || !details.pwfx || details.cbwfx < kWaveFormatHeaderSize)
    return kInvalidParam;
  // The callback gets the record with `cbwfx` set to the format's size, so
  // the size of the caller's buffer is kept aside for every later copy. The
  // buffer pointer is kept too, in case a callback changes the record.
  const std::uint32_t bufferSize = details.cbwfx;
  std::uint8_t* const buffer = details.pwfx;
  const std::uint32_t wantedTag = details.dwFormatTag;
  DriverEntry* entry = open->entry;
  const std::uint32_t support = SupportOf(*entry->driver);
  const std::vector<ReportedFormat> formats = entry->driver->Formats();
  for (std::size_t i = 0; i < formats.size(); ++i) {
    const ReportedFormat& format = formats[i];
    const std::uint16_t tag = format.block.FormatTag();
    if ((flags & kFormatEnumWfxTag) && tag != wantedTag) continue;
    const std::uint32_t copied = std::min({format.size, bufferSize, std::uint32_t(kFormatBlockSize)});
    std::memcpy(buffer, format.block.bytes.data(), copied);
    details.pwfx = buffer;
    details.dwFormatIndex = static_cast<std::uint32_t>(i);
    details.dwFormatTag = tag;
    details.fdwSupport = support;
    details.cbwfx = copied;
    details.szFormat = FormatName(format.block);
    if (!callback(entry, details, support)) break;
  }
  return kNoError;
}

Result AcmManager::StreamOpen(StreamHandle* stream, DriverHandle driver, const WaveFormatBlock& source,
                              const WaveFormatBlock& destination, const void* filter, std::uintptr_t callback,
                              std::uintptr_t instance, std::uint32_t flags) {
  if (stream) *stream = nullptr;
  const OpenDriver* open = nullptr;
  if (driver) {
    open = state_->FindOpenDriver(driver);
    if (!open) return kInvalidHandle;
  }
  if (!HasOnly(flags, kStreamOpenQuery | kStreamOpenNonRealtime)) return kInvalidFlag;
  const bool query = (flags & kStreamOpenQuery) != 0;
  if (filter || callback != 0 || instance != 0 || (!stream && !query)) return kInvalidParam;

  std::vector<DriverEntry*> candidates;
  if (open) {
    candidates.push_back(open->entry);
  } else {
    for (const auto& d : state_->drivers)
      if (!d->driver->Disabled()) candidates.push_back(d.get());
    if (candidates.empty()) return kNoDriver;
  }
  Result last = kNotPossible;
  for (DriverEntry* entry : candidates) {
    std::unique_ptr<AcmDriverStream> made;
    last = entry->driver->OpenStream(source, destination, flags, made);
    if (last != kNoError) continue;
    if (query) return kNoError;
    if (!made) {
      last = kNotPossible;
      continue;
    }
    auto opened = std::make_unique<OpenStream>();
    opened->stream = std::move(made);
    *stream = opened.get();
    state_->streams.push_back(std::move(opened));
    return kNoError;
  }
  // Asked by name, the driver's own answer counts; asked around, every
  // driver said no.
  return open ? last : kNotPossible;
}

Result AcmManager::StreamSize(StreamHandle stream, std::uint32_t length, std::uint32_t* answer, std::uint32_t flags) {
  OpenStream* s = state_->FindStream(stream);
  if (!s) return kInvalidHandle;
  if (flags != kStreamSizeSource && flags != kStreamSizeDestination) return kInvalidFlag;
  if (!answer) return kInvalidParam;
  std::uint32_t size = 0;
  const Result result = s->stream->Size(length, flags, size);
  if (result == kNoError) *answer = size;
  return result;
}

Result AcmManager::StreamPrepareHeader(StreamHandle stream, StreamHeader& header, std::uint32_t flags) {
  OpenStream* s = state_->FindStream(stream);
  if (!s) return kInvalidHandle;
  if (flags != 0) return kInvalidFlag;
  if (header.cbStruct < kStreamHeaderSize || !header.pbSrc || !header.pbDst || header.cbSrcLength == 0)
    return kInvalidParam;
  // Preparing twice on the same stream is harmless and keeps the lengths of
  // the first preparation; a header belongs to one stream at a time.
  if (s->IsPrepared(&header)) return kNoError;
  if (state_->StreamPreparing(&header, s)) return kBusy;
  header.preparedSrcLength = header.cbSrcLength;
  header.preparedDstLength = header.cbDstLength;
  header.fdwStatus = (header.fdwStatus & ~kHeaderDone) | kHeaderPrepared;
  s->prepared.push_back(&header);
  return kNoError;
}

Result AcmManager::StreamUnprepareHeader(StreamHandle stream, StreamHeader& header, std::uint32_t flags) {
  OpenStream* s = state_->FindStream(stream);
  if (!s) return kInvalidHandle;
  if (flags != 0) return kInvalidFlag;
  if (!s->IsPrepared(&header)) return kUnprepared;
  std::erase(s->prepared, &header);
  header.fdwStatus &= ~(kHeaderPrepared | kHeaderDone);
  return kNoError;
}

Result AcmManager::StreamConvert(StreamHandle stream, StreamHeader& header, std::uint32_t flags) {
  OpenStream* s = state_->FindStream(stream);
  if (!s) return kInvalidHandle;
  if (!HasOnly(flags, kConvertBlockAlign | kConvertStart | kConvertEnd)) return kInvalidFlag;
  if (!s->IsPrepared(&header)) return kUnprepared;
  if (header.cbSrcLength > header.preparedSrcLength || header.cbDstLength > header.preparedDstLength ||
      !header.pbSrc || !header.pbDst)
    return kInvalidParam;
  header.fdwStatus &= ~kHeaderDone;
  std::uint32_t used = 0, produced = 0;
  const Result result =
      s->stream->Convert(header.pbSrc, header.cbSrcLength, used, header.pbDst, header.cbDstLength, produced, flags);
  // A driver never gets to claim more than it was offered.
  header.cbSrcLengthUsed = std::min(used, header.cbSrcLength);
  header.cbDstLengthUsed = std::min(produced, header.cbDstLength);
  header.fdwStatus |= kHeaderDone;
  return result;
}

Result AcmManager::StreamReset(StreamHandle stream, std::uint32_t flags) {
  OpenStream* s = state_->FindStream(stream);
  if (!s) return kInvalidHandle;
  if (flags != 0) return kInvalidFlag;
  return s->stream->Reset();
}

Result AcmManager::StreamClose(StreamHandle stream, std::uint32_t flags) {
  OpenStream* s = state_->FindStream(stream);
  if (!s) return kInvalidHandle;
  if (flags != 0) return kInvalidFlag;
  if (!s->prepared.empty()) return kBusy;
  std::erase_if(state_->streams, [s](const auto& p) { return p.get() == s; });
  return kNoError;
}

std::unique_ptr<AcmManager> CreateSystemAcm() {
  std::vector<std::unique_ptr<AcmDriver>> drivers;
  drivers.push_back(CreateMpg123AcmDriver());
  return std::make_unique<AcmManager>(std::move(drivers));
}

}  // namespace sonavix::acm
