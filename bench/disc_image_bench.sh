#!/bin/bash
# Times what a disc image adds to a render: four one-minute songs rendered
# to MPEG files from the command line, then the image made of those files
# (disc_image_bench: the program's own image step with the real tools), for
# Video-CD and DVD. The goal: the image takes at most 10 % of the render's
# time. The best of three rounds counts on each side. Only reports; the exit
# status is 0 whatever the figures.
#
#   bash bench/disc_image_bench.sh [build folder]      (default: build-rel)
#
# Build first, without the sanitizers:
#   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release \
#         -DSONAVIX_TESTS=OFF -DSONAVIX_BENCH=ON && ninja -C build-rel sonavix disc_image_bench

set -u
cd "$(dirname "$0")/.."
build=${1:-build-rel}
program=$build/src/app/sonavix
bench=$build/bench/disc_image_bench
source bench/timing.sh
needs disc_image_bench "$program" "$bench" sox vcdimager dvdauthor genisoimage

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
four_songs
songs=("$work"/song{1,2,3,4}.wav)

echo "disc_image_bench: four 60 s songs; the image from their MPEG files against their render"
printf '  %-7s %10s %10s %8s  %s\n' preset render image share goal
for preset in vcd dvd; do
  image=$work/album.cue
  [ $preset = dvd ] && image=$work/album.iso
  render= build=
  for round in 1 2 3; do
    rm -rf "$work/out" && mkdir "$work/out"
    render=$(best "$render" "$(timed "$program" --render "${songs[@]}" -p $preset -o "$work/out" --quiet)")
    rm -f "$work"/album.*
    build=$(best "$build" "$(timed "$bench" $preset "$image" "$work"/out/song{1,2,3,4}.mpg)")
  done
  if [ "$render" = fail ] || [ "$build" = fail ]; then
    echo "  $preset: failed: $(tail -n 3 "$work/log")"
    continue
  fi
  printf '  %-7s %9ss %9ss %7s%%  <= 10%%\n' $preset "$render" "$build" \
    "$(awk -v a="$render" -v b="$build" 'BEGIN {printf "%.1f", 100 * b / a}')"
done
