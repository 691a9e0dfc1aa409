#pragma once
// Large work on fresh memory in two halves at once. Filling memory that was
// just allocated, most of the time is the kernel clearing each page on its
// first touch, one page after another; a second core does half of them.

#include <cstddef>
#include <system_error>
#include <thread>

namespace sonavix {

inline constexpr std::size_t kTwoHalvesFrom = std::size_t{16} << 20;  // bytes

// Calls work(0, half) here and work(half, n) on a second thread, when n is at
// least kTwoHalvesFrom and a thread can be started; otherwise work(0, n).
// Returns when all of it is done. `work` must not throw.
template <class Work>
void InTwoHalves(std::size_t n, const Work& work) {
  if (n < kTwoHalvesFrom) return work(std::size_t{0}, n);
  const std::size_t half = n / 2 / 4096 * 4096;  // a page boundary, where the source is aligned too
  std::thread helper;
  try {
    helper = std::thread([&work, half, n] { work(half, n); });
  } catch (const std::system_error&) {
    return work(std::size_t{0}, n);
  }
  work(std::size_t{0}, half);
  helper.join();
}

}  // namespace sonavix
