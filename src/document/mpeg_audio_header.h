#pragma once
// The four-byte header that starts every MPEG audio frame (Layer I, II,
// III; MPEG-1, 2 and 2.5): its fields, the bitrate and sample rate they
// name, and the length of the frame. Nothing here decodes audio.

#include <cstdint>

namespace sonavix {

inline int VersionField(const std::uint8_t* h) { return (h[1] >> 3) & 3; }  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
inline int LayerField(const std::uint8_t* h) { return (h[1] >> 1) & 3; }    // 1 Layer III ... 3 Layer I
inline int BitrateIndex(const std::uint8_t* h) { return h[2] >> 4; }
inline int SamplingIndex(const std::uint8_t* h) { return (h[2] >> 2) & 3; }
inline int PaddingBit(const std::uint8_t* h) { return (h[2] >> 1) & 1; }
inline int ChannelMode(const std::uint8_t* h) { return h[3] >> 6; }

// True when the four bytes can start an audio frame: sync bits set, a known
// version (not the reserved value 1), a layer, a sampling index below 3 and
// a bitrate index below 15.
bool IsValidFrameHeader(const std::uint8_t h[4]);

// Bitrate in kbit/s for the header fields; index 0 and 15 count as 1, and a
// layer field of 0 gives 8. MPEG-1 uses its own table, every other version
// the table for the lower sampling frequencies.
int FrameBitrateKbps(int version, int layer, int bitrateIndex);

// Sample rate in Hz for the version field and sampling index; 0 when the
// pair names no rate (reserved version or index 3).
int FrameSampleRate(int version, int samplingIndex);

// Bytes from this header to the next one, the header included; 0 for a
// header that is not valid or names no bitrate (free format).
int FrameBytes(const std::uint8_t h[4]);

}  // namespace sonavix
