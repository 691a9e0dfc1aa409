#!/usr/bin/env bash
# Writes the seed inputs for audio_decoder_fuzz into fuzz/corpus/audio/: one
# tiny file (a twentieth of a second at 8 kHz, a few hundred bytes) in every
# format the decoder reads, so the fuzzer starts inside each demultiplexer
# and decoder. Needs ffmpeg. Run it again after changing it.
set -euo pipefail
out=$(cd "$(dirname "$0")" && pwd)/corpus/audio
rm -rf "$out"
mkdir -p "$out"
tone=(-f lavfi -i "sine=f=440:r=8000:d=0.05" -metadata title=T -metadata artist=A)
make() { ffmpeg -v error -y -bitexact "${tone[@]}" "$@"; }
make -c:a flac "$out/flac.flac"
make -c:a libvorbis "$out/vorbis.ogg"
make -c:a libopus "$out/opus.opus"
make -c:a aac -b:a 16k "$out/aac.m4a"
make -c:a alac "$out/alac.m4a"
make -c:a pcm_s16be "$out/pcm.aiff"
make -c:a pcm_mulaw -f aiff "$out/ulaw.aifc"
make -c:a pcm_alaw "$out/alaw.au"
make -c:a pcm_s24le "$out/s24.wav"
make -c:a pcm_f32le "$out/f32.wav"
make -c:a pcm_s16le -ac 2 "$out/stereo.w64"
make -c:a pcm_s16le -rf64 always "$out/rf64.wav"
make -c:a flac "$out/flac.mkv"
make -c:a libopus "$out/opus.webm"
make -c:a libmp3lame -b:a 8k "$out/id3.mp3"
ls -l "$out"
