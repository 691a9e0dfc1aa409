#!/bin/bash
# Checks that exports keep picture and sound in step, from outside, as a
# player sees the file: a sound of silence with noise bursts is exported for
# Video-CD, DVD (PAL and NTSC) and MP4 720p, then bench/export_sync.py compares the ends of the two
# streams and, for every burst, when it is heard with when it is first
# shown. Long: not part of the test run. Only reports; exits 0.
#
#   bash bench/export_sync.sh [build folder] [minutes]    (default: build-rel, 10)
#
# Build first, without the sanitizers:
#   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release \
#         -DSONAVIX_TESTS=OFF -DSONAVIX_BENCH=ON && ninja -C build-rel export_bench

set -u
cd "$(dirname "$0")/.."
build=${1:-build-rel}
minutes=${2:-10}
bench=$build/bench/export_bench
if [ ! -x "$bench" ]; then
  echo "export_sync: $bench is missing; build it first (see the top of this script)"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 bench/export_sync.py make "$work/bursts.wav" "$minutes"
echo "export_sync: $minutes minutes of silence with a noise burst every 11.37 s"
for format in vcd dvd dvd-ntsc mp4-720p; do
  out=$work/$format.mpg
  [[ $format == mp4-* ]] && out=$work/$format.mp4
  if ! "$bench" "$work/bursts.wav" "$format" "$out" >"$work/$format.log" 2>&1; then
    echo "  $format: export failed: $(tail -n 3 "$work/$format.log")"
    continue
  fi
  echo "  $format:"
  python3 bench/export_sync.py check "$out" "$work/bursts.wav"
done
exit 0
