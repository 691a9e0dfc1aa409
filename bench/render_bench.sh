#!/bin/bash
# Times the command line's render. Two goals, each a ratio measured in this
# run:
#   - four one-minute songs with -j 2 take at most 0.6 times as long as with
#     -j 1 (on a two-core machine);
#   - one song alone takes at most 1.05 times as long as the window's export
#     path (export_bench, the same run, session and writer) on the same song.
# Whole processes are timed on both sides: start-up and reading count. The
# best of three rounds counts. Only reports; the exit status is 0 whatever the
# figures.
#
#   bash bench/render_bench.sh [build folder]      (default: build-rel)
#
# Build first, without the sanitizers:
#   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release \
#         -DSONAVIX_TESTS=OFF -DSONAVIX_BENCH=ON && ninja -C build-rel sonavix export_bench

set -u
cd "$(dirname "$0")/.."
build=${1:-build-rel}
program=$build/src/app/sonavix
bench=$build/bench/export_bench
source bench/timing.sh
needs render_bench "$program" "$bench" sox

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
four_songs
mkdir -p "$work/out"

songs=("$work"/song{1,2,3,4}.wav)
render() { "$program" --render "$@" -p dvd -t Sonavix --quiet; }
one= two= single= window=
for round in 1 2 3; do
  one=$(best "$one" "$(timed render "${songs[@]}" -j 1 -o "$work/out")")
  two=$(best "$two" "$(timed render "${songs[@]}" -j 2 -o "$work/out")")
  single=$(best "$single" "$(timed render "${songs[0]}" -j 1 -o "$work/out/one.mpg")")
  window=$(best "$window" "$(timed "$bench" "${songs[0]}" dvd "$work/out/window.mpg")")
done
for figure in "$one" "$two" "$single" "$window"; do
  if [ "$figure" = fail ]; then
    echo "render_bench: a render failed: $(tail -n 3 "$work/log")"
    exit 0
  fi
done

echo "render_bench: DVD, 60 s songs, $(nproc) cores"
printf '  %-34s %8s %8s %7s  %s\n' case ours reference ratio goal
printf '  %-34s %7ss %7ss %7s  %s\n' "4 songs -j 2 against -j 1" "$two" "$one" "$(ratio "$two" "$one")" "<= 0.60"
printf '  %-34s %7ss %7ss %7s  %s\n' "1 song against export_bench" "$single" "$window" \
  "$(ratio "$single" "$window")" "<= 1.05"
