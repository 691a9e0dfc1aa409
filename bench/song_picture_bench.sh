#!/bin/bash
# What the song's own picture costs: a one-minute song rendered to MP4 1080p
# with its cover behind the circles and timed lyrics, against the same song
# without either. The goal: at most 1.1 times the time. And 2160p30 against
# the song's own length (the goal: at least real time). The best of three
# rounds counts. Only reports; the exit status is 0 whatever the figures.
#
#   bash bench/song_picture_bench.sh [build folder]      (default: build-rel)
#
# Build first, without the sanitizers:
#   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release && ninja -C build-rel sonavix

set -u
cd "$(dirname "$0")/.."
build=${1:-build-rel}
program=$build/src/app/sonavix
source bench/timing.sh
needs song_picture_bench "$program" sox ffmpeg

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
four_songs
song=$work/song1.wav
ffmpeg -v error -f lavfi -i "testsrc2=s=1000x1000:d=1" -frames:v 1 "$work/cover.jpg"
for ((s = 0; s < 60; s += 2)); do printf '[%02d:%02d.00]Zeile %d des Liedes, gesungen\n' $((s / 60)) $((s % 60)) $s; done >"$work/song1.lrc"

plain= dressed= uhd=
for round in 1 2 3; do
  plain=$(best "$plain" "$(timed "$program" --render "$song" -p mp4-1080p -o "$work/a.mp4" --quiet)")
  dressed=$(best "$dressed" "$(timed "$program" --render "$song" -p mp4-1080p --image auto --lyrics auto \
    -o "$work/b.mp4" --quiet)")
done
uhd=$(timed "$program" --render "$song" -p mp4-2160p -o "$work/c.mp4" --quiet)
echo "song_picture_bench: a 60 s song to MP4 1080p, with cover and lyrics against without"
echo "  without ${plain}s, with ${dressed}s: $(awk -v a="$plain" -v b="$dressed" 'BEGIN {printf "%.2f", b / a}')x (goal: at most 1.10)"
echo "  2160p30: ${uhd}s for 60 s: $(awk -v a="$uhd" 'BEGIN {printf "%.2f", 60 / a}')x real time (goal: at least 1.00)"
