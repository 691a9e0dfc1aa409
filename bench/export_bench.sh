#!/bin/bash
# Times the export of a generated 60-second song for Video-CD, Super Video
# CD, DVD and MP4 1080p against the ffmpeg command-line tool making a
# waveform video of the same song for the same format (for MP4 with the
# writer's encoder settings, stated below). The goal is at most 0.8 times
# ffmpeg's time for Video-CD and Super Video CD, 0.6 times for DVD and 1.0
# times for MP4. Each file is also handed to the
# format's authoring tool. Only reports; the exit status is 0 whatever the
# figures.
#
#   bash bench/export_bench.sh [build folder]      (default: build-rel)
#
# Build first, without the sanitizers:
#   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release \
#         -DSONAVIX_TESTS=OFF -DSONAVIX_BENCH=ON && ninja -C build-rel export_bench

set -u
cd "$(dirname "$0")/.."
build=${1:-build-rel}
bench=$build/bench/export_bench
if [ ! -x "$bench" ]; then
  echo "export_bench: $bench is missing; build it first (see the top of this script)"
  exit 0
fi
for tool in sox ffmpeg; do
  if ! command -v "$tool" >/dev/null; then
    echo "export_bench: $tool is missing"
    exit 0
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A chord with a slow tremolo, so the picture keeps changing.
sox -n -r 44100 -c 2 -b 16 "$work/song.wav" synth 60 sine 220 sine 330 \
  tremolo 0.5 60 gain -6 2>/dev/null

now() { date +%s.%N; }

# Checks the file with the authoring tool of the format; prints ok or the complaint.
author() {
  local format=$1 file=$2 dir
  dir=$(mktemp -d -p "$work")
  local report
  case $format in
    vcd) report=$(cd "$dir" && vcdimager -t vcd2 "$file" 2>&1) ;;
    svcd) report=$(cd "$dir" && vcdimager -t svcd "$file" 2>&1) ;;
    dvd) report=$(VIDEO_FORMAT=PAL dvdauthor -o "$dir/dvd" -t "$file" 2>&1) ;;
  esac
  local status=$?
  # dvdauthor ends its progress lines with a carriage return only.
  local complaints
  complaints=$(tr '\r' '\n' <<<"$report" | grep -E 'ERR|WARN' | sort | uniq -c | sed 's/^ *//')
  if [ $status -eq 0 ] && [ -z "$complaints" ]; then
    echo ok
  else
    echo "status $status: ${complaints//$'\n'/; }"
  fi
}

echo "export_bench: 60 s song, 44.1 kHz stereo; Sonavix export (run + writer, quality 1) against ffmpeg"
printf '  %-5s %-8s %10s %10s %7s  %s\n' format size sonavix ffmpeg ratio goal
for case in "vcd 352x288 0.8" "svcd 480x576 0.8" "dvd 720x576 0.6"; do
  set -- $case
  format=$1 size=$2 goal=$3

  ours=$("$bench" "$work/song.wav" "$format" "$work/ours-$format.mpg" 2>"$work/$format.log") || {
    echo "  $format: export failed: $(tail -n 3 "$work/$format.log")"
    continue
  }
  oursSeconds=$(awk '/^seconds/ {print $2}' <<<"$ours")

  start=$(now)
  ffmpeg -v error -y -i "$work/song.wav" \
    -filter_complex "[0:a]showwaves=s=$size:mode=line,format=yuv420p[v]" \
    -map "[v]" -map 0:a -target "pal-$format" "$work/ffmpeg-$format.mpg" || {
    echo "  $format: ffmpeg failed"
    continue
  }
  theirSeconds=$(awk -v a="$start" -v b="$(now)" 'BEGIN {printf "%.3f", b - a}')

  ratio=$(awk -v a="$oursSeconds" -v b="$theirSeconds" 'BEGIN {printf "%.2f", a / b}')
  verdict=$(awk -v r="$ratio" -v g="$goal" 'BEGIN {print (r <= g) ? "met" : "MISSED"}')
  printf '  %-5s %-8s %9.3fs %9.3fs %6sx  %sx %s\n' "$format" "$size" \
    "$oursSeconds" "$theirSeconds" "$ratio" "$goal" "$verdict"
  printf '        authoring tool: sonavix %s; ffmpeg %s\n' \
    "$(author "$format" "$work/ours-$format.mpg")" "$(author "$format" "$work/ffmpeg-$format.mpg")"
done

# MP4 1080p against ffmpeg with the same encoder settings as the writer's:
# libx264 preset faster, CRF 18 (quality 1), High profile at level 4.1, a
# key frame every 60 pictures and no scene cuts, no B-pyramid, maximum rate
# 10 Mbit/s in a 20 Mbit buffer, 30 pictures a second; AAC 192 kbit/s at
# 48 kHz; the index in front.
ours=$("$bench" "$work/song.wav" mp4-1080p "$work/ours.mp4" 2>"$work/mp4.log") || {
  echo "  mp4-1080p: export failed: $(tail -n 3 "$work/mp4.log")"
  exit 0
}
oursSeconds=$(awk '/^seconds/ {print $2}' <<<"$ours")
start=$(now)
ffmpeg -v error -y -i "$work/song.wav" \
  -filter_complex "[0:a]showwaves=s=1920x1080:mode=line:rate=30,format=yuv420p[v]" \
  -map "[v]" -map 0:a -c:v libx264 -preset faster -crf 18 -profile:v high -level 4.1 \
  -g 60 -keyint_min 60 -x264-params scenecut=0:open-gop=0:b-pyramid=none \
  -maxrate 10M -bufsize 20M -r 30 -c:a aac -b:a 192k -ar 48000 -movflags +faststart \
  "$work/ffmpeg.mp4" || {
  echo "  mp4-1080p: ffmpeg failed"
  exit 0
}
theirSeconds=$(awk -v a="$start" -v b="$(now)" 'BEGIN {printf "%.3f", b - a}')
ratio=$(awk -v a="$oursSeconds" -v b="$theirSeconds" 'BEGIN {printf "%.2f", a / b}')
verdict=$(awk -v r="$ratio" 'BEGIN {print (r <= 1.0) ? "met" : "MISSED"}')
printf '  %-5s %-8s %9.3fs %9.3fs %6sx  1.0x %s\n' mp4 1920x1080 "$oursSeconds" "$theirSeconds" "$ratio" "$verdict"
exit 0
