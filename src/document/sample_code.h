#pragma once
// The busiest loops over samples and pixels come in two builds: plain, which
// every processor runs, and one for AVX2, which does twice the work per
// instruction. The
// build is chosen once, at run time, from what the processor offers; the
// environment variable SONAVIX_SAMPLE_CODE=plain keeps to the plain one.
// Both give the same bytes.

namespace sonavix {

enum class SampleCode { Plain, Avx2 };

// The build the loops run now.
SampleCode ActiveSampleCode();
// True when this processor can run `code`.
bool CanRun(SampleCode code);
// Runs the loops with `code` from now on (tests and benchmarks); one the
// processor cannot run falls back to plain. Returns the build in use.
SampleCode UseSampleCode(SampleCode code);

// Runs `loop` in the build in use: inlined into a function compiled for
// AVX2, where the compiler vectorises it with the wider registers, or
// plainly. `loop` takes no arguments and captures what it works on.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
template <class Loop>
__attribute__((target("avx2"))) void RunWithAvx2(Loop loop) {
  loop();
}

template <class Loop>
void RunInActiveCode(const Loop& loop) {
  if (ActiveSampleCode() == SampleCode::Avx2)
    RunWithAvx2(loop);
  else
    loop();
}
#else
template <class Loop>
void RunInActiveCode(const Loop& loop) {
  loop();
}
#endif

}  // namespace sonavix
