#!/usr/bin/env bash
# Makes doc/screenshot.png, the README's picture of the window at work: the
# real program under a virtual display (Xvfb) with a generated song open, a
# stretch selected, a line of text typed and the song playing, taken with
# ffmpeg's X11 grabber. Clicks and typing go through xdotool, at places in
# the window's fixed layout.
#
#   bash scripts/screenshot.sh [build folder]      (default: build, as scripts/run.sh makes it)
#
# Needs the packages of scripts/setup.sh (xvfb, xdotool, sox, ffmpeg).
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build}/src/app/sonavix
[ -x "$program" ] || { echo "screenshot: $program is missing; build it first" >&2; exit 1; }

work=$(mktemp -d)
display=:57
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A chord that swells and a rising tone, so the waveform and the circles move.
sox -n -r 44100 -c 2 -b 16 "$work/Lied.wav" synth 40 sine 220 sine 277 tremolo 0.25 70 \
  gain -4 2>/dev/null

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp &
xvfb=$!
export DISPLAY=$display SDL_AUDIODRIVER=dummy LANG=de_DE.UTF-8 QT_QPA_PLATFORM=xcb
sleep 1
HOME="$work" "$program" "$work/Lied.wav" &
app=$!
window=$(xdotool search --sync --onlyvisible --name 'Sonavix' | head -n 1)
xdotool windowmove "$window" 0 0
sleep 2

# The window sits at the screen's corner, so window and screen places agree.
at() { xdotool mousemove "$1" "$2"; }
# A stretch of the waveform selected with the mouse.
at 160 445
xdotool mousedown 1
at 300 445
at 420 445
xdotool mouseup 1
# The picture's line of text, then PLAY.
at 420 68
xdotool click 1
xdotool type --delay 20 "Sonavix"
at 279 183
xdotool click 1
at 660 300
sleep 4

read -r width height < <(xdotool getwindowgeometry "$window" |
  awk '/Geometry/ { split($2, g, "x"); print g[1], g[2] }')
ffmpeg -v error -y -f x11grab -video_size "${width}x${height}" -i "$display+0,0" \
  -frames:v 1 doc/screenshot.png
echo "screenshot: doc/screenshot.png (${width}x${height})"
