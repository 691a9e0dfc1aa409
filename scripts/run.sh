#!/usr/bin/env bash
# Installs what the program needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONAVIX_TESTS=OFF
cmake --build build --target sonavix
exec ./build/src/app/sonavix "$@"
