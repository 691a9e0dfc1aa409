#pragma once
// The echo worked backwards for undo, on 16-bit sounds whose echo delay is
// at least a piece of undo_flags::kPiece samples long: each result is half
// the sum of the sample and its echo, so with the flags of the halving (odd
// sum, negative sum) the sample comes back from the result and the echo.

#include <cstdint>

#include "document/audio_document.h"

namespace sonavix {

// The samples the echo of that delay rewrites (first ... last - 1) and how
// far back it reaches, in samples.
struct EchoReach {
  std::int64_t first = 0;
  std::int64_t last = 0;
  std::int64_t lag = 0;
};
EchoReach EchoReachOf(const AudioDocument& doc, double delaySeconds);

// True when the echo can be worked backwards this way.
bool EchoCanBeUnmade(const AudioDocument& doc, const EchoReach& reach);
std::int64_t EchoFlagBytes(const EchoReach& reach);
// The echo as AddEcho makes it, keeping its flags (EchoFlagBytes of them).
void AddEchoKeeping(AudioDocument& doc, const EchoReach& reach, std::uint8_t* flags) noexcept;
void UnmakeEcho(AudioDocument& doc, const EchoReach& reach, const std::uint8_t* flags) noexcept;

}  // namespace sonavix
