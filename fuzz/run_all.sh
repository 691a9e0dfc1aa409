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

for entry in "${targets[@]}"; do
  read -r target corpus <<<"$entry"
  scratch=$(mktemp -d)
  cp -r "$here/corpus/$corpus/." "$scratch/"
  echo "== fuzzing $target for ${seconds}s"
  "$bin/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 "$scratch"
  rm -rf "$scratch"
done
