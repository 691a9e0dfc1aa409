#!/usr/bin/env bash
# Installs what the tests need, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs each fuzz target for a short, bounded time,
# then runs every unit test (last, so that its summary closes the output).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
export SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
jobs=$(nproc)

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSONAVIX_SANITIZE=ON -DSONAVIX_BENCH=ON
cmake --build build-test -j "$jobs"

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSONAVIX_FUZZ=ON -DSONAVIX_TESTS=OFF
cmake --build build-fuzz -j "$jobs"
bash fuzz/run_all.sh build-fuzz/fuzz "${SONAVIX_FUZZ_SECONDS:-30}"

(cd build-test && ctest --output-on-failure -j "$jobs")
