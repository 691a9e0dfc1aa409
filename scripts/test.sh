#!/usr/bin/env bash
# Installs what the tests need, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs each fuzz target for a short, bounded time,
# runs the sample-loop tests optimised, runs every unit test, then builds the
# Debian package and tests it installed (scripts/package_test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
export SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
jobs=$(nproc)

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSONAVIX_SANITIZE=ON -DSONAVIX_BENCH=OFF
cmake --build build-test -j "$jobs"

# The sample and pixel loops once more as the program runs them: optimised
# and vectorised (the sanitizers keep the compiler from vectorising), in
# every build the processor runs; built into the package's own build, which
# scripts/package_test.sh then packs, together with the benchmarks (built
# here to see that they build; they run optimised).
bash scripts/package_build.sh build-package effects history video

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSONAVIX_FUZZ=ON -DSONAVIX_TESTS=OFF
cmake --build build-fuzz -j "$jobs" --target fuzz_targets
bash fuzz/run_all.sh build-fuzz/fuzz "${SONAVIX_FUZZ_SECONDS:-20}"

build-package/tests/effects_tests --gtest_brief=1
build-package/tests/history_tests --gtest_brief=1
build-package/tests/video_tests --gtest_brief=1 --gtest_filter='videoFrameRenderer.*'
(cd build-test && ctest --output-on-failure -j "$jobs")
bash scripts/package_test.sh build-package
