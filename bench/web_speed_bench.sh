#!/bin/bash
# The web formats' speed against their quality. A music-like song (plucked
# chords) is rendered by the program at 1080p30 and 2160p30; its real-time
# factor is the speed goal (at least 3× and 1×). The pictures the program
# hands its encoder are tapped losslessly (bench/frame_tap) into /dev/shm,
# and every output is measured against them: SSIM (ffmpeg's ssim filter)
# and size. The anchor is the settings of the earlier releases, encoded by
# ffmpeg from the same pictures in the same run: the program must reach at
# least its SSIM less 0.002 with a file no larger.
#
# With TABLE=1 it also encodes the pictures with each candidate x264 setting
# and prints speed, SSIM and size, the study the program's settings come from.
#
#   bash bench/web_speed_bench.sh [build folder] [seconds] [preset ...]
#                                 (default: build-rel, 20, mp4-1080p mp4-2160p)
#
# Build first, without the sanitizers:
#   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONAVIX_BENCH=ON
#   ninja -C build-rel sonavix frame_tap

set -u
cd "$(dirname "$0")/.."
build=${1:-build-rel}
seconds=${2:-20}
shift $(($# < 2 ? $# : 2))
presets=("${@:-mp4-1080p}")
[ $# -eq 0 ] && presets=(mp4-1080p mp4-2160p)
program=$build/src/app/sonavix
tap=$build/bench/frame_tap
source bench/timing.sh
needs web_speed_bench "$program" "$tap" sox ffmpeg

work=$(mktemp -d /dev/shm/sonavix-bench.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
song=$work/song.wav
plucked_song "$seconds"

# The settings of the earlier releases: preset, maximum rate and buffer.
earlier() {
  case $1 in
    mp4-2160p) echo "-preset veryfast -level 5.1 -maxrate 40M -bufsize 80M" ;;
    *) echo "-preset faster -level 4.1 -maxrate 10M -bufsize 20M" ;;
  esac
}
# Candidates for the study: x264 options after the fixed rules.
fast="b-adapt=0:bframes=2:me=dia:subme=1:partitions=i4x4:aq-mode=0:weightp=0"
candidates=(
  "-preset faster -crf 18"
  "-preset veryfast -crf 18"
  "-preset veryfast -crf 21"
  "-preset veryfast -crf 21 -x264-params bframes=0"
  "-preset veryfast -crf 21 -x264-params b-adapt=0:bframes=2"
  "-preset veryfast -crf 22 -x264-params $fast:rc-lookahead=3"
  "-preset veryfast -crf 22 -x264-params $fast:rc-lookahead=3:8x8dct=0"
  "-preset veryfast -crf 26 -x264-params $fast:rc-lookahead=0:mbtree=0"
  "-preset veryfast -crf 26 -x264-params $fast:rc-lookahead=0:mbtree=0:cabac=0"
  "-preset veryfast -crf 26 -x264-params $fast:rc-lookahead=0:mbtree=0:subme=0"
  "-preset superfast -crf 21"
  "-preset ultrafast -crf 18"
)
rules="-profile:v high -g 60 -keyint_min 60 -threads 3 -pix_fmt yuv420p"
rules_params="scenecut=0:open-gop=0:b-pyramid=none"

# ssim FILE WxH: the mean SSIM of FILE's pictures against the tapped ones.
ssim() {
  ffmpeg -v info -i "$1" -f rawvideo -pix_fmt yuv420p -s "$2" -framerate 30 -i "$work/frames.yuv" \
    -lavfi "[0:v][1:v]ssim=shortest=1" -f null - 2>&1 | grep -o 'All:[0-9.]*' | cut -d: -f2
}
# encode WxH OUT OPTIONS...: ffmpeg encodes the tapped pictures and the song.
encode() {
  local size=$1 out=$2 params=$rules_params
  shift 2
  local options=("$@")
  for i in "${!options[@]}"; do
    if [ "${options[$i]:-}" = -x264-params ]; then
      params=$rules_params:${options[$((i + 1))]}
      unset 'options[i]' 'options[i+1]'
    fi
  done
  # shellcheck disable=SC2086
  ffmpeg -v error -f rawvideo -pix_fmt yuv420p -s "$size" -r 30 -i "$work/frames.yuv" -i "$song" \
    $rules "${options[@]}" -x264-params "$params" -c:a aac -b:a 192k -ar 48000 -movflags +faststart -y "$out"
}
row() { printf '  %-72s %6.2f× %7.3f MB  SSIM %s\n' "$1" "$2" "$(awk -v b="$3" 'BEGIN {print b / 1e6}')" "$4"; }

echo "web_speed_bench: a ${seconds} s song of plucked chords; SSIM against the pictures the encoder is handed"
for preset in "${presets[@]}"; do
  ours=
  for round in 1 2; do ours=$(best "$ours" "$(timed "$program" --render "$song" -p "$preset" -o "$work/ours.mp4" --quiet)"); done
  [ "$ours" = fail ] && { echo "  $preset: the render failed"; continue; }
  size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=s=x:p=0 "$work/ours.mp4")
  "$tap" "$song" "$preset" 2>/dev/null |
    ffmpeg -v error -f rawvideo -pix_fmt bgra -s "$size" -i - -pix_fmt yuv420p -f rawvideo -y "$work/frames.yuv"
  # shellcheck disable=SC2046
  anchor=$(timed encode "$size" "$work/anchor.mp4" $(earlier "$preset") -crf 18)
  ours_ssim=$(ssim "$work/ours.mp4" "$size") anchor_ssim=$(ssim "$work/anchor.mp4" "$size")
  ours_bytes=$(stat -c %s "$work/ours.mp4") anchor_bytes=$(stat -c %s "$work/anchor.mp4")
  echo "  $preset:"
  row "the program (best of two)" "$(ratio "$seconds" "$ours")" "$ours_bytes" "$ours_ssim"
  row "earlier settings, x264 alone" "$(ratio "$seconds" "$anchor")" "$anchor_bytes" "$anchor_ssim"
  awk -v s="$ours_ssim" -v a="$anchor_ssim" -v b="$ours_bytes" -v c="$anchor_bytes" \
    'BEGIN {printf "  SSIM %+.4f (goal: at least -0.002), size %.3f× (goal: at most 1)\n", s - a, b / c}'
  if [ "${TABLE:-0}" = 1 ]; then
    for candidate in "${candidates[@]}"; do
      # shellcheck disable=SC2086
      t=$(timed encode "$size" "$work/c.mp4" $candidate)
      row "$candidate" "$(ratio "$seconds" "$t")" "$(stat -c %s "$work/c.mp4")" "$(ssim "$work/c.mp4" "$size")"
    done
  fi
  rm -f "$work/frames.yuv" "$work"/*.mp4
done
