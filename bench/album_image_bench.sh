#!/bin/bash
# A whole album as one DVD image: eight songs of five minutes from WAV files
# (`--disc-image album.iso`) against the sum of the eight songs' exports one
# by one, and the image step's share of the album's time (from the
# program's own progress: the time after the last song was rendered). The
# goals: the album at most 1.1 times the sum, the image step at most 10 %.
# Only reports; the exit status is 0 whatever the figures.
#
#   bash bench/album_image_bench.sh [build folder] [minutes a song]   (default: build-rel, 5)

set -u
cd "$(dirname "$0")/.."
build=${1:-build-rel}
minutes=${2:-5}
program=$build/src/app/sonavix
source bench/timing.sh
needs album_image_bench "$program" sox dvdauthor genisoimage

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in 1 2 3 4 5 6 7 8; do
  sox -n -r 44100 -c 2 -b 16 "$work/song$i.wav" synth $((minutes * 60)) pluck $((150 + 20 * i)) pluck 330 \
    tremolo 0.5 60 gain -6 2>/dev/null
done

sum=0
for i in 1 2 3 4 5 6 7 8; do
  one=$(timed "$program" --render "$work/song$i.wav" -p dvd -o "$work/one$i.mpg" --quiet)
  sum=$(awk -v a="$sum" -v b="$one" 'BEGIN {print a + b}')
  rm -f "$work/one$i.mpg"
done
# The album, each line of its progress stamped with the time it came: the
# image step begins when the last song to finish says "fertig".
start=$(now)
"$program" --render "$work"/song?.wav -p dvd --disc-image "$work/album.iso" 2>&1 >/dev/null |
  while IFS= read -r line; do echo "$(now) $line"; done >"$work/progress"
end=$(now)
album=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}')
songs_done=$(grep 'song.\.wav: fertig' "$work/progress" | tail -1 | cut -d' ' -f1)
image=$(awk -v a="$songs_done" -v b="$end" 'BEGIN {printf "%.3f", b - a}')
echo "album_image_bench: eight songs of $minutes minutes to one DVD image"
echo "  the songs one by one: ${sum}s; the album with its image: ${album}s: $(ratio "$album" "$sum")x (goal: at most 1.10)"
echo "  the image step: ${image}s, $(awk -v a="$image" -v b="$album" 'BEGIN {printf "%.1f", 100 * a / b}') % of the album (goal: at most 10 %)"
