#!/usr/bin/env python3
"""Measures how well an exported MPEG file keeps picture and sound in step.

    export_sync.py make SOUND.wav MINUTES           writes a test sound
    export_sync.py check FILE.mpg SOUND.wav         measures an export of it

The test sound is silence with short noise bursts at known times. The check
reads the file as a player would, with ffprobe and ffmpeg only:
- the end of each stream (start_time + duration) and their difference;
- for each burst, when it is heard (its first loud sample in the decoded
  sound, on the file's clock) and when it is first shown (the first frame
  in which a circle has left the middle of the picture), and the difference.
Prints one line per measure and a verdict against one frame (40 ms).
"""

import array
import json
import random
import subprocess
import sys
import wave

RATE = 44100
BURST_SECONDS = 0.25
SPACING = 11.37  # seconds between bursts: the circles settle in between


def burst_times(minutes):
    times, t = [], 3.0
    while t < minutes * 60 - 5:
        times.append(round(t, 4))
        t += SPACING
    return times


def make(path, minutes):
    rng = random.Random(7)
    times = burst_times(minutes)
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        total = int(minutes * 60 * RATE)
        starts = [int(t * RATE) for t in times]
        pos = 0
        for start in starts + [total]:
            if start > pos:  # silence up to the burst, a second at a time
                while pos < start:
                    n = min(RATE, start - pos)
                    w.writeframes(bytes(4 * n))
                    pos += n
            if start == total:
                break
            n = int(BURST_SECONDS * RATE)
            noise = array.array("h", (rng.randint(-20000, 20000) for _ in range(2 * n)))
            w.writeframes(noise.tobytes())
            pos += n


def probe(path):
    out = subprocess.run(
        ["ffprobe", "-v", "error", "-show_entries",
         "stream=codec_type,start_time,duration,width,r_frame_rate", "-of", "json", path],
        check=True, capture_output=True, text=True).stdout
    streams = {s["codec_type"]: s for s in json.loads(out)["streams"]}
    return streams["video"], streams["audio"]


def heard(path, audio_start, times):
    """Time of the first loud sample after each burst's nominal start."""
    raw = subprocess.run(
        ["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-ac", "1", "-f", "s16le", "-"],
        check=True, capture_output=True).stdout
    samples = array.array("h")
    samples.frombytes(raw[: len(raw) // 2 * 2])
    rate = 48000 if len(samples) > 0 and _audio_rate(path) == 48000 else 44100
    found = []
    for t in times:
        i = max(int((t - 0.2) * rate), 0)
        end = min(int((t + 0.3) * rate), len(samples))
        while i < end and abs(samples[i]) < 2000:
            i += 1
        found.append(audio_start + i / rate if i < end else None)
    return found


def _audio_rate(path):
    out = subprocess.run(
        ["ffprobe", "-v", "error", "-select_streams", "a", "-show_entries", "stream=sample_rate",
         "-of", "csv=p=0", path], check=True, capture_output=True, text=True).stdout
    return int(out.strip())


def shown(path, width, times):
    """Time of the first frame whose left third shows a circle, per burst."""
    out = subprocess.run(
        ["ffmpeg", "-v", "error", "-copyts", "-i", path, "-map", "0:v", "-fps_mode", "passthrough",
         "-vf", "crop=iw/3:ih-8:4:4,signalstats,metadata=print:key=lavfi.signalstats.YMAX:file=-",
         "-f", "null", "-"], check=True, capture_output=True, text=True).stdout
    frames, t = [], None
    for line in out.splitlines():
        if line.startswith("frame:"):
            t = float(line.split("pts_time:")[1])
        elif "YMAX=" in line and t is not None:
            frames.append((t, int(line.split("=")[1])))
    found = []
    for b in times:
        quiet = [y for (ft, y) in frames if b - 2.0 < ft < b - 0.3]
        base = max(quiet) if quiet else 40
        first = next((ft for (ft, y) in frames if ft > b - 0.3 and ft < b + 1 and y > base + 25), None)
        found.append(first)
    return found


def check(path, sound):
    with wave.open(sound) as w:
        minutes = w.getnframes() / RATE / 60
    times = burst_times(minutes)
    video, audio = probe(path)
    v_end = float(video["start_time"]) + float(video["duration"])
    a_end = float(audio["start_time"]) + float(audio["duration"])
    num, den = video["r_frame_rate"].split("/")
    frame = int(den) / int(num)  # one picture: 40 ms at 25, 33.4 at 29.97, 33.3 at 30
    print(f"  ends: video {v_end:.3f} s, audio {a_end:.3f} s, difference {1000 * (v_end - a_end):+.1f} ms"
          f" ({'within' if abs(v_end - a_end) <= frame else 'MORE THAN'} one frame)")
    a_start = float(audio["start_time"])
    heard_at = heard(path, a_start, times)
    shown_at = shown(path, int(video["width"]), [a_start + t for t in times])
    delays = [s - h for h, s in zip(heard_at, shown_at) if h is not None and s is not None]
    if not delays:
        print("  bursts: none seen")
        return
    within = sum(1 for d in delays if abs(d) <= frame + 0.0005)
    print(f"  bursts: {len(delays)} of {len(times)} seen; shown after heard: "
          f"min {1000 * min(delays):+.1f} ms, max {1000 * max(delays):+.1f} ms; "
          f"{within} of {len(delays)} within one frame")
    # Where in its block a burst starts decides which picture first shows it.
    late = [(t, d) for t, d in zip(times, delays) if abs(d) > frame + 0.0005]
    for t, d in late[:5]:
        print(f"    burst at {t:.4f} s (frame {round(t * RATE) % 2756} of its block): {1000 * d:+.1f} ms")


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "make":
        make(sys.argv[2], float(sys.argv[3]))
    elif len(sys.argv) == 4 and sys.argv[1] == "check":
        check(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
