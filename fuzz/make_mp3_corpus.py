#!/usr/bin/env python3
"""Writes the seed inputs for mp3_source_fuzz into fuzz/corpus/mp3/.

Each seed is a few hand-built bytes (well under 2 KB) showing one layout the
MP3 source analysis has to handle or refuse: plain frames, leading zero
bytes, an ID3v2 tag with padding, a RIFF-wrapped stream, garbage before the
first frame. No encoder is needed; the frames hold headers and silence.
Run it again after changing it; the output is deterministic.
"""

import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "mp3")


def header(version=3, layer=1, bitrate=9, sampling=0, mode=0):
    """Four frame-header bytes: sync, version, layer (no CRC), bitrate and
    sampling indexes, channel mode."""
    h1 = 0xE0 | version << 3 | layer << 1 | 1
    h2 = bitrate << 4 | sampling << 2
    h3 = mode << 6
    return bytes([0xFF, h1, h2, h3])


def frames(count=2, body=60, **fields):
    return (header(**fields) + bytes(body)) * count


def id3(size_bytes, padding=0):
    return b"ID3\x04\x00\x00" + bytes(size_bytes) + bytes(padding)


def riff_wrapped(channels, rate, avg_bytes):
    fmt_body = struct.pack("<HHIIHHH", 0x55, channels, rate, avg_bytes, 1, 0, 12) + bytes(12)
    head = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt_body)) + fmt_body
    head += b"fact" + struct.pack("<II", 4, 1152)
    body = frames(2, version=3, sampling=0)
    data = b"data" + struct.pack("<I", len(body)) + body
    return b"RIFF" + struct.pack("<I", len(head) + len(data)) + head + data


SEEDS = {
    "mpeg1_stereo.mp3": frames(version=3, sampling=1, mode=0),
    "mpeg2_mono.mp3": frames(version=2, sampling=0, mode=3, bitrate=8),
    "mpeg25_layer1.mp3": frames(version=0, layer=3, sampling=2, bitrate=0),
    "leading_zeros.mp3": bytes(7) + frames(version=3, sampling=2),
    "id3_padded.mp3": id3([0, 0, 0, 20], padding=20 + 9) + frames(version=2, sampling=1),
    "id3_short.mp3": id3([0, 0, 0x7F, 0x7F]),
    "riff_wrapped.mp3": riff_wrapped(2, 44100, 16000),
    "garbage_first.mp3": b"\xff\xef\x90\x00\xff\xf0\xf0\x00junk\xff\xfd\x0c" + frames(version=3, layer=2),
    "reserved_version.mp3": header(version=1) + bytes(20) + frames(1, version=2),
    "truncated.mp3": bytes(30) + header()[:3],
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in SEEDS.items():
        assert len(data) < 2048, name
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
