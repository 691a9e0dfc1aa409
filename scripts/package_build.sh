#!/usr/bin/env bash
# The Release build the Debian package is made from, with Debian's hardening
# flags. Named test subsystems are built into it as well (their tests run
# optimised and vectorised, as the program runs), and then the benchmarks
# too; without any, only the program and its files.
#
#   bash scripts/package_build.sh BUILD_FOLDER [SUBSYSTEM ...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
shift
tests=OFF
[ $# -eq 0 ] || tests=ON
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONAVIX_TESTS=$tests -DSONAVIX_BENCH=$tests \
  -DSONAVIX_TEST_ONLY="$(IFS=';'; echo "$*")" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j "$(nproc)"
