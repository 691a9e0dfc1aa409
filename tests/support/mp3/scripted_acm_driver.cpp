#include "mp3/scripted_acm_driver.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace sonavix::acm {

namespace {

class ScriptedStream final : public AcmDriverStream {
 public:
  explicit ScriptedStream(std::shared_ptr<ScriptedAcmScript> script) : script_(std::move(script)) {
    ++script_->streamsAlive;
  }
  ~ScriptedStream() override { --script_->streamsAlive; }

  Result Size(std::uint32_t length, std::uint32_t /*flags*/, std::uint32_t& answer) override {
    answer = length * script_->sizeFactor;
    return script_->sizeResult;
  }

  Result Convert(const std::uint8_t* src, std::uint32_t srcLength, std::uint32_t& srcUsed, std::uint8_t* dst,
                 std::uint32_t dstLength, std::uint32_t& dstUsed, std::uint32_t flags) override {
    ScriptedAcmScript::ConvertCall call;
    call.srcLength = srcLength;
    call.flags = flags;
    if (src) call.data.assign(src, src + srcLength);
    script_->converts.push_back(std::move(call));
    srcUsed = 0;
    dstUsed = 0;
    if (script_->convertResult != kNoError) return script_->convertResult;
    const std::uint32_t limit = script_->maxSourceUse ? script_->maxSourceUse : srcLength;
    const std::uint32_t n = std::min({srcLength, limit, dstLength});
    if (n > 0) std::memcpy(dst, src, n);
    srcUsed = n;
    dstUsed = n;
    return kNoError;
  }

  Result Reset() override {
    ++script_->resets;
    return script_->resetResult;
  }

 private:
  std::shared_ptr<ScriptedAcmScript> script_;
};

}  // namespace

ScriptedAcmDriver::ScriptedAcmDriver(std::shared_ptr<ScriptedAcmScript> script) : script_(std::move(script)) {}

std::string ScriptedAcmDriver::Name() const { return script_->name; }

bool ScriptedAcmDriver::Disabled() const { return script_->disabled; }

std::vector<ReportedFormat> ScriptedAcmDriver::Formats() const { return script_->formats; }

Result ScriptedAcmDriver::OpenStream(const WaveFormatBlock& source, const WaveFormatBlock& destination,
                                     std::uint32_t flags, std::unique_ptr<AcmDriverStream>& stream) {
  script_->openedSources.push_back(source);
  script_->openedDestinations.push_back(destination);
  script_->openFlags.push_back(flags);
  stream.reset();
  if (script_->openResult != kNoError) return script_->openResult;
  stream = std::make_unique<ScriptedStream>(script_);
  return kNoError;
}

}  // namespace sonavix::acm
