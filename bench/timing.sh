# Shared by the benchmark scripts that time whole programs: sourced from
# the top of the checkout. The timing helpers need $work, a scratch folder
# (a failing command's errors go to $work/log).

# needs NAME FILE... TOOL...: every FILE built, every TOOL installed; says
# what is missing and ends the script (with status 0: benchmarks only report).
needs() {
  local name=$1 item
  shift
  for item in "$@"; do
    if [[ $item == */* ]]; then
      [ -x "$item" ] && continue
      echo "$name: $item is missing; build it first (see the top of this script)"
    else
      command -v "$item" >/dev/null && continue
      echo "$name: $item is missing"
    fi
    exit 0
  done
}

# Four one-minute songs, $work/song1.wav ... song4.wav: chords with a slow
# tremolo, so the picture keeps changing.
four_songs() {
  local i
  for i in 1 2 3 4; do
    sox -n -r 44100 -c 2 -b 16 "$work/song$i.wav" synth 60 sine $((190 + 30 * i)) sine 330 \
      tremolo 0.5 60 gain -6 2>/dev/null
  done
}

# A music-like song of SECONDS seconds, $work/song.wav: chords plucked twice
# a second, with attacks, and a rest every fourth beat.
plucked_song() {
  sox -n -r 44100 -c 2 -b 16 "$work/bar.wav" synth 0.5 pluck 196 pluck 247 pluck 294 fade 0 0.5 0.45 2>/dev/null
  sox -n -r 44100 -c 2 -b 16 "$work/rest.wav" trim 0 0.5 2>/dev/null
  sox "$work/bar.wav" "$work/bar.wav" "$work/bar.wav" "$work/rest.wav" "$work/phrase.wav"
  sox "$work/phrase.wav" "$work/song.wav" repeat $(($1 / 2)) trim 0 "$1"
  rm -f "$work/bar.wav" "$work/rest.wav" "$work/phrase.wav"
}

now() { date +%s.%N; }

# Seconds a command takes, or "fail".
timed() {
  local start
  start=$(now)
  "$@" >/dev/null 2>"$work/log" || {
    echo fail
    return
  }
  awk -v a="$start" -v b="$(now)" 'BEGIN {printf "%.3f", b - a}'
}

# The better of two figures; an empty one is none yet, a failure stays.
best() { awk -v a="$1" -v b="$2" 'BEGIN {print (a == "fail" || b == "fail") ? "fail" : (a == "" || b < a ? b : a)}'; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
