#!/bin/bash
# How close each export comes to its encoder alone. A music-like song
# (plucked chords with attacks and silence, generated here) is rendered in
# each preset; the pictures the program hands its encoder are tapped
# losslessly (bench/frame_tap), converted into the encoder's pixel format
# in memory (/dev/shm, so reading them costs nearly nothing), and ffmpeg
# encodes those same pictures and the same sound with the program's encoder
# settings. The goal: ours / encoder alone at most 1.05.
#
# The pictures must be the very ones the program encodes: pictures decoded
# from its output have lost detail to the encoder once and code into about
# 5 % fewer bits, faster (mp4-square: 41.2 against 43.3 MB).
#
#   bash bench/encoder_limit_bench.sh [build folder] [seconds] [preset ...]
#   (default: build-rel, 60, every preset)
#
# Build first, without the sanitizers:
#   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONAVIX_BENCH=ON && ninja -C build-rel sonavix frame_tap

set -u
cd "$(dirname "$0")/.."
build=${1:-build-rel}
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
presets=("$@")
[ $# -eq 0 ] && presets=(vcd svcd dvd mp4-720p mp4-1080p mp4-square mp4-vertical mp4-2160p webm-alpha)
program=$build/src/app/sonavix
tap=$build/bench/frame_tap
source bench/timing.sh
needs encoder_limit_bench "$program" "$tap" sox ffmpeg ffprobe

work=$(mktemp -d /dev/shm/sonavix-bench.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
song=$work/song.wav
plucked_song "$seconds"

# The program's settings, preset by preset (src/video/ffmpeg_writer_open.cpp).
x264() {  # level
  echo "-c:v libx264 -preset veryfast -crf 26 -profile:v high -level $1 -g 60 -keyint_min 60 -threads 3 \
-x264-params scenecut=0:open-gop=0:b-pyramid=none:b-adapt=0:bframes=2:me=dia:subme=0:partitions=i4x4:aq-mode=0:\
weightp=0:rc-lookahead=0:mbtree=0 -pix_fmt yuv420p -c:a aac -b:a 192k -ar 48000 -movflags +faststart -f mp4"
}
settings() {
  case $1 in
    vcd) echo "-c:v mpeg1video -b:v 1150k -maxrate 1150k -minrate 1150k -bufsize 327680 -g 15 -bf 0 -threads 2 -mbd 2 \
-c:a mp2 -b:a 224k -ar 44100 -f vcd -packetsize 2324 -muxrate 1411200 -muxpreload 0.44" ;;
    svcd) echo "-c:v mpeg2video -b:v 2040k -maxrate 2516k -bufsize 1835008 -g 15 -bf 0 -threads 2 -scan_offset 1 \
-c:a mp2 -b:a 224k -ar 44100 -f svcd -packetsize 2324" ;;
    dvd) echo "-c:v mpeg2video -b:v 6000k -maxrate 9000k -bufsize 1835008 -g 15 -bf 0 -threads 2 -c:a ac3 -b:a 448k \
-ar 48000 -f dvd" ;;
    mp4-720p | mp4-1080p | mp4-vertical | mp4-square) x264 4.1 ;;
    mp4-2160p) x264 5.1 ;;
    webm-alpha) echo "-c:v libvpx-vp9 -crf 24 -b:v 0 -deadline realtime -cpu-used 8 -row-mt 1 -threads 2 -g 60 \
-pix_fmt yuva420p -c:a libopus -b:a 192k -ar 48000 -f webm" ;;
  esac
}

echo "encoder_limit_bench: a ${seconds} s song of plucked chords; each preset against ffmpeg encoding its pictures"
for preset in "${presets[@]}"; do
  ext=${preset%%-*}; [ "$ext" = mp4 ] || [ "$ext" = webm ] || ext=mpg
  # The pictures must fit in memory: the largest formats take a
  # shorter stretch of the song.
  available=$(awk '/MemAvailable/ {print $2 * 1024}' /proc/meminfo)
  length=$seconds
  [ "$preset" = mp4-2160p ] && length=$(awk -v s="$seconds" -v m="$available" 'BEGIN {l = int(m / 2 / (3840 * 2160 * 1.5 * 30)); print l < s ? l : s}')
  sox "$song" "$work/part.wav" trim 0 "$length"
  format=yuv420p; [ "$preset" = webm-alpha ] && format=yuva420p
  # The discs' conversion is the scaler's with these flags, to the byte.
  flags=bicubic; [ "$ext" = mpg ] && flags=area+full_chroma_inp
  # The geometry from a tap of a second of sound: "size WxH rate N/D".
  sox "$song" "$work/second.wav" trim 0 1
  read -r _ size _ rate < <("$tap" "$work/second.wav" "$preset" 2>&1 >/dev/null | grep -m 1 "^size ")
  "$tap" "$work/part.wav" "$preset" 2>/dev/null |
    ffmpeg -v error -f rawvideo -pix_fmt bgra -s "$size" -r "$rate" -i - -sws_flags "$flags" \
      -f rawvideo -pix_fmt $format -y "$work/frames.raw"
  # The better of three rounds on each side, taken in turns: this machine's
  # speed drifts from minute to minute.
  ours= alone=
  for round in 1 2 3; do
    ours=$(best "$ours" "$(timed "$program" --render "$work/part.wav" -p "$preset" -o "$work/ours.$ext" --quiet)")
    [ "$ours" = fail ] && break
    # shellcheck disable=SC2046
    alone=$(best "$alone" "$(timed ffmpeg -v error -f rawvideo -pix_fmt $format -s "$size" -r "$rate" \
      -i "$work/frames.raw" -i "$work/part.wav" $(settings "$preset") -y "$work/alone.$ext")")
  done
  [ "$ours" = fail ] && { echo "  $preset: the render failed"; rm -f "$work/frames.raw"; continue; }
  rm -f "$work/frames.raw"
  echo "  $preset (${length} s): ours ${ours}s, encoder alone ${alone}s: $(ratio "$ours" "$alone") (goal: at most 1.05)"
done
