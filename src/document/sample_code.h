#pragma once
// The busiest loops over samples and pixels come in three builds: plain,
// which every processor runs; AVX2, which does twice the work per
// instruction; and AVX-512 (BW and VL, on 256-bit registers), whose wider
// instruction set shortens the 16-bit loops further. The build is chosen once,
// at run time, from what the processor offers; the environment variable
// SONAVIX_SAMPLE_CODE=plain (or avx2) keeps to that build. All give the
// same bytes.

namespace sonavix {

enum class SampleCode { Plain, Avx2, Avx512 };

// The build the loops run now.
SampleCode ActiveSampleCode();
// True when this processor can run `code`.
bool CanRun(SampleCode code);
// Runs the loops with `code` from now on (tests and benchmarks); one the
// processor cannot run falls back to plain. Returns the build in use.
SampleCode UseSampleCode(SampleCode code);
// "plain", "AVX2" or "AVX-512".
const char* SampleCodeName(SampleCode code);

// Runs `loop` in the build in use: inlined into a function compiled for the
// wider instruction set, where the compiler vectorises it accordingly, or
// plainly. `loop` takes no arguments; its loops should work on values it
// captured by copy (or copied to locals first), which the compiler can keep
// in registers.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
template <class Loop>
__attribute__((target("avx2"))) void RunWithAvx2(Loop loop) {
  loop();
}

// On 256-bit registers: 512-bit ones would lower the clock of the core for
// a while after, slowing the plain code that follows.
#if defined(__clang__)
#define SONAVIX_AVX512_TARGET "avx2,avx512f,avx512bw,avx512vl"
#else
#define SONAVIX_AVX512_TARGET "avx2,avx512f,avx512bw,avx512vl,prefer-vector-width=256"
#endif
template <class Loop>
__attribute__((target(SONAVIX_AVX512_TARGET))) void RunWithAvx512(Loop loop) {
  loop();
}
#undef SONAVIX_AVX512_TARGET

template <class Loop>
void RunInActiveCode(const Loop& loop) {
  switch (ActiveSampleCode()) {
    case SampleCode::Avx512: return RunWithAvx512(loop);
    case SampleCode::Avx2: return RunWithAvx2(loop);
    case SampleCode::Plain: break;
  }
  loop();
}
#else
template <class Loop>
void RunInActiveCode(const Loop& loop) {
  loop();
}
#endif

}  // namespace sonavix
