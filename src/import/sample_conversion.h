#pragma once
// How a decoded sound is made to fit the editor, which works in 8 or
// 16-bit PCM, mono or stereo: deeper or floating samples become 16 bits
// (with TPDF dither), more than two channels are mixed down to stereo,
// rates above 48 000 Hz become 44 100 or 48 000 Hz. And the words for what
// was done, for the status bar.

#include <string>

namespace sonavix {

struct SourceSound {
  int rate = 0;
  int channels = 0;
  int bits = 16;          // per sample as stored: 8, 16, 24, 32, 64
  bool floating = false;  // floating-point samples
};

struct TargetSound {
  int rate = 0;
  int channels = 0;   // 1 or 2
  bool sixteenBit = true;
  bool dither = false;  // the samples lose depth
};

// The rate the editor gets: up to 48 000 Hz as it is; above, 44 100 or
// 48 000, whichever divides it (48 000 when neither does).
int EditorRate(int rate);

TargetSound ChooseTarget(const SourceSound& source);

// "24 Bit → 16 Bit, 96 000 → 48 000 Hz, 6 → 2 Kanäle"; empty when nothing
// was changed.
std::string ConversionText(const SourceSound& source, const TargetSound& target);

}  // namespace sonavix
