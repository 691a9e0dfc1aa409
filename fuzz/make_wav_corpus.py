#!/usr/bin/env python3
"""Writes the seed inputs for wav_reader_fuzz into fuzz/corpus/wav/.

Each seed is a small WAV image (well under 2 KB) showing one layout the reader
has to handle or refuse, so the fuzzer starts from every branch at once.
Run it again after changing it; the output is deterministic.
"""

import math
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "wav")


def chunk(cid, body, size=None):
    """Chunk header, body and a zero pad byte after an odd body."""
    data = cid + struct.pack("<I", len(body) if size is None else size) + body
    return data + (b"\0" if len(body) % 2 else b"")


def riff(form, *parts, size=None):
    return chunk(b"RIFF", form + b"".join(parts), size)


def fmt(channels, rate, bits, tag=1, extra=b""):
    align = channels * bits // 8
    return chunk(b"fmt ", struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits) + extra)


def tone(frames, channels, bits):
    """A short sine wave, interleaved, as 8-bit unsigned or 16-bit signed PCM."""
    out = bytearray()
    for i in range(frames):
        v = math.sin(2 * math.pi * i / 25)
        for ch in range(channels):
            s = v if ch == 0 else -v
            out += bytes([int(128 + 100 * s)]) if bits == 8 else struct.pack("<h", int(20000 * s))
    return bytes(out)


def wave(channels, rate, bits, frames=100, *before_fmt, between=()):
    return riff(b"WAVE", *before_fmt, fmt(channels, rate, bits), *between,
                chunk(b"data", tone(frames, channels, bits)))


def main():
    seeds = {
        "mono8.wav": wave(1, 8000, 8, 200),
        "stereo8.wav": wave(2, 11025, 8, 150),
        "mono16.wav": wave(1, 22050, 16, 150),
        "stereo16.wav": wave(2, 44100, 16, 100),
        # 16-bit stereo with 7 data bytes: not whole frames, padded to even.
        "odd_data_pad.wav": riff(b"WAVE", fmt(2, 44100, 16), chunk(b"data", tone(2, 2, 16)[:7])),
        "fmt18.wav": riff(b"WAVE", fmt(1, 16000, 16, extra=b"\0\0"),
                          chunk(b"data", tone(80, 1, 16))),
        "list_fact.wav": wave(2, 22050, 8, 100,
                              chunk(b"LIST", b"INFO" + chunk(b"INAM", b"seed tone")),
                              between=(chunk(b"fact", struct.pack("<I", 100)),
                                       chunk(b"odd ", b"abc"))),
        "junk_before_riff.wav": chunk(b"JUNK", b"\0" * 27) + wave(1, 8000, 8, 120),
        "truncated.wav": wave(1, 8000, 16, 200)[:300],
        "data_before_fmt.wav": riff(b"WAVE", chunk(b"data", tone(50, 1, 8)), fmt(1, 8000, 8)),
        "float32.wav": riff(b"WAVE", fmt(1, 8000, 32, tag=3),
                            chunk(b"data", b"".join(struct.pack("<f", 0.5) for _ in range(20)))),
        "short_fmt.wav": riff(b"WAVE", chunk(b"fmt ", struct.pack("<HHIIH", 1, 1, 8000, 8000, 1)),
                              chunk(b"data", tone(40, 1, 8))),
    }
    os.makedirs(OUT, exist_ok=True)
    for name, data in sorted(seeds.items()):
        assert len(data) < 2048, name
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
