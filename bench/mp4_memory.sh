#!/bin/bash
# The memory of an MP4 1080p render as the song grows: the peak resident
# size of the whole program for songs of the given lengths (default 1, 10
# and 60 minutes). A render that keeps nothing per picture stays flat; the
# song itself (10.6 MB a minute as 16-bit stereo) is the only part that
# grows. Only reports; the exit status is 0 whatever the figures.
#
#   bash bench/mp4_memory.sh [build folder] [minutes...]   (default: build-rel 1 10 60)
#
# Build first, without the sanitizers (see export_bench.sh). Sixty minutes
# of 1080p take about three quarters of an hour on two cores.

set -u
cd "$(dirname "$0")/.."
build=${1:-build-rel}
shift || true
minutes=("$@")
[ ${#minutes[@]} -eq 0 ] && minutes=(1 10 60)
program=$build/src/app/sonavix
source bench/timing.sh
needs mp4_memory "$program" sox

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "mp4_memory: MP4 1080p renders; peak resident size of the program"
printf '  %8s %12s %12s %10s\n' minutes "peak RSS" "of which song" seconds
for m in "${minutes[@]}"; do
  sox -n -r 44100 -c 2 -b 16 "$work/song.wav" synth $((60 * m)) sine 220 sine 330 tremolo 0.5 60 gain -6 2>/dev/null
  /usr/bin/time -o "$work/time" -f "%M %e" "$program" --render "$work/song.wav" -p mp4-1080p \
    -o "$work/song.mp4" --quiet -j 1 >/dev/null 2>&1
  read -r kilobytes seconds <"$work/time"
  printf '  %8s %10s MB %10s MB %9ss\n' "$m" "$((kilobytes / 1024))" "$((m * 10584000 / 1048576))" "$seconds"
done
