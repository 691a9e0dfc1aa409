#include "document/sample_code.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace sonavix {

namespace {

SampleCode Detected() {
  const char* wanted = std::getenv("SONAVIX_SAMPLE_CODE");
  if (wanted && std::strcmp(wanted, "plain") == 0) return SampleCode::Plain;
  if (!(wanted && std::strcmp(wanted, "avx2") == 0) && CanRun(SampleCode::Avx512)) return SampleCode::Avx512;
  return CanRun(SampleCode::Avx2) ? SampleCode::Avx2 : SampleCode::Plain;
}

std::atomic<SampleCode>& Active() {
  static std::atomic<SampleCode> active{Detected()};
  return active;
}

}  // namespace

bool CanRun(SampleCode code) {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  switch (code) {
    case SampleCode::Plain: return true;
    case SampleCode::Avx2: return __builtin_cpu_supports("avx2");
    case SampleCode::Avx512:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f") &&
             __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
  }
  return false;
#else
  return code == SampleCode::Plain;
#endif
}

SampleCode ActiveSampleCode() { return Active().load(std::memory_order_relaxed); }

SampleCode UseSampleCode(SampleCode code) {
  const SampleCode used = CanRun(code) ? code : SampleCode::Plain;
  Active().store(used, std::memory_order_relaxed);
  return used;
}

const char* SampleCodeName(SampleCode code) {
  switch (code) {
    case SampleCode::Plain: return "plain";
    case SampleCode::Avx2: return "AVX2";
    case SampleCode::Avx512: return "AVX-512";
  }
  return "";
}

}  // namespace sonavix
