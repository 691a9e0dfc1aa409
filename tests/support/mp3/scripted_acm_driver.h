#pragma once
// A codec driver for tests: it reports the formats it is given, answers each
// call with the result it is told to, and "converts" by copying source bytes
// to the destination. Every call is written to a log the test keeps.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mp3/acm.h"

namespace sonavix::acm {

struct ScriptedAcmScript {
  std::string name = "Scripted codec";
  bool disabled = false;
  std::vector<ReportedFormat> formats;

  // Results of the stream calls; anything but kNoError fails that call.
  Result openResult = kNoError;
  Result sizeResult = kNoError;
  Result convertResult = kNoError;
  Result resetResult = kNoError;
  // Destination size reported for a source size: source × this factor.
  std::uint32_t sizeFactor = 2;
  // At most this many source bytes are used per conversion call (0: all).
  std::uint32_t maxSourceUse = 0;

  // The log.
  struct ConvertCall {
    std::uint32_t srcLength = 0;
    std::uint32_t flags = 0;
    std::vector<std::uint8_t> data;  // the source bytes offered
  };
  std::vector<WaveFormatBlock> openedSources;       // source format of each OpenStream
  std::vector<WaveFormatBlock> openedDestinations;  // destination format of each OpenStream
  std::vector<std::uint32_t> openFlags;
  std::vector<ConvertCall> converts;
  int resets = 0;
  int streamsAlive = 0;  // streams made and not yet destroyed
};

// Conversion copies min(srcLength, maxSourceUse, dstLength) bytes unchanged
// and reports that many used and produced; with convertResult set it uses
// and produces nothing.
class ScriptedAcmDriver final : public AcmDriver {
 public:
  explicit ScriptedAcmDriver(std::shared_ptr<ScriptedAcmScript> script);
  std::string Name() const override;
  bool Disabled() const override;
  std::vector<ReportedFormat> Formats() const override;
  Result OpenStream(const WaveFormatBlock& source, const WaveFormatBlock& destination,
                    std::uint32_t flags, std::unique_ptr<AcmDriverStream>& stream) override;

 private:
  std::shared_ptr<ScriptedAcmScript> script_;
};

}  // namespace sonavix::acm
