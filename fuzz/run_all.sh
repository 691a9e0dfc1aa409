#!/usr/bin/env bash
# Runs every fuzz target for a bounded time on a scratch copy of its seed
# corpus, so the seeds in the tree stay as they are.
# Usage: fuzz/run_all.sh <folder with the built targets> [seconds per target]
set -euo pipefail
bin=$1
seconds=${2:-30}
here=$(cd "$(dirname "$0")" && pwd)

# target name -> seed corpus folder under fuzz/corpus
targets=(
  "wav_reader_fuzz wav"
  "mp3_source_fuzz mp3"
  "mp3_conversion_fuzz mp3"
  "scsi_reply_fuzz scsi"
  "command_line_fuzz cli"
  "audio_decoder_fuzz audio"
  "lyrics_fuzz lyrics"
  "sylt_fuzz sylt"
)

# One target per core at a time; each one's output is shown whole when it
# ends, and any target that fails fails the run.
run() {
  local target=$1 corpus=$2 scratch
  scratch=$(mktemp -d)
  cp -r "$here/corpus/$corpus/." "$scratch/"
  echo "== fuzzing $target for ${seconds}s"
  local status=0
  "$bin/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 "$scratch" 2>&1 || status=$?
  rm -rf "$scratch"
  return $status
}
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
slots=$(nproc)
pids=()
names=()
failed=0
finish() {  # waits for the oldest running target and shows its output
  local status=0
  wait "${pids[0]}" || status=$?
  cat "$logs/${names[0]}.log"
  [ "$status" = 0 ] || { echo "== ${names[0]} failed (status $status)"; failed=1; }
  pids=("${pids[@]:1}")
  names=("${names[@]:1}")
}
for entry in "${targets[@]}"; do
  read -r target corpus <<<"$entry"
  [ "${#pids[@]}" -lt "$slots" ] || finish
  run "$target" "$corpus" >"$logs/$target.log" &
  pids+=($!)
  names+=("$target")
done
while [ "${#pids[@]}" -gt 0 ]; do finish; done
exit $failed
