#include "document/sample_code.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace sonavix {

namespace {

SampleCode Detected() {
  const char* wanted = std::getenv("SONAVIX_SAMPLE_CODE");
  if (wanted && std::strcmp(wanted, "plain") == 0) return SampleCode::Plain;
  return CanRun(SampleCode::Avx2) ? SampleCode::Avx2 : SampleCode::Plain;
}

std::atomic<SampleCode>& Active() {
  static std::atomic<SampleCode> active{Detected()};
  return active;
}

}  // namespace

bool CanRun(SampleCode code) {
  if (code == SampleCode::Plain) return true;
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

SampleCode ActiveSampleCode() { return Active().load(std::memory_order_relaxed); }

SampleCode UseSampleCode(SampleCode code) {
  const SampleCode used = CanRun(code) ? code : SampleCode::Plain;
  Active().store(used, std::memory_order_relaxed);
  return used;
}

}  // namespace sonavix
