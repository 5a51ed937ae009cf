#!/usr/bin/env python3
"""Writes the sync measurement's disk: the demo disk's pictures and effect, and a disk.cfg of
click tracks, one stream per tempo.

Each track is silence with a click on every beat: 80 ms of seeded white noise that starts at
full strength on the beat's first frame, so that a listener can tell to the frame when a click
is heard, and that is long enough that an analyzer sampling every 40 to 70 ms always catches it.
Between the clicks the frames are exactly zero: a band with no energy never counts as a beat, so
every beat the analyzer flags belongs to a click.

Usage: make_click_disk.py DEMO_DATA OUT_DIR [BPM:SECONDS[:irregular] ...]
with one track for each tempo given, by default TEMPOS.
"""

import random
import shutil
import struct
import sys
import wave
from pathlib import Path

RATE = 44100
CLICK_SECONDS = 0.08
LEAD_IN_SECONDS = 0.5  # of silence before a track's first click
AMPLITUDE = 0.5
# (beats per minute, seconds): 20 + 33 + 47 clicks, a little over a minute of show.
TEMPOS = [(60, 20, False), (100, 20, False), (140, 20, False)]
PICTURES = ["gui.fx", "font.png", "tit.png", "cloudring.png", "credits.png"]


def click_starts(bpm, seconds, irregular=False):
    """The first frame of each click: one on every beat or, irregular, after gaps of 0.8 to 1.3
    beats that follow no pattern (multiples of the golden ratio), so that a few clicks heard in a
    row tell where in the track they lie."""
    period = RATE * 60 / bpm
    last = round(RATE * seconds) - round(RATE * CLICK_SECONDS)
    if not irregular:
        return list(range(round(RATE * LEAD_IN_SECONDS), last, round(period)))
    starts, at, k = [], RATE * LEAD_IN_SECONDS, 1
    while round(at) < last:
        starts.append(round(at))
        at += period * (0.8 + 0.5 * ((k * 0.6180339887) % 1.0))
        k += 1
    return starts


def click_track(bpm, seconds, seed, irregular=False):
    noise = random.Random(seed)
    click = round(RATE * CLICK_SECONDS)
    frames = bytearray(4 * round(RATE * seconds))  # 16-bit stereo, all zero
    for start in click_starts(bpm, seconds, irregular):
        for i in range(click):
            # The first frame at full strength: the listener's onset is the click's first frame.
            value = round(AMPLITUDE * 32767 * (noise.uniform(-1, 1) if i else 1))
            struct.pack_into("<hh", frames, 4 * (start + i), value, value)
    return bytes(frames)


def tempo(argument):
    """BPM:SECONDS, or BPM:SECONDS:irregular."""
    bpm, seconds, *kind = argument.split(":")
    if kind not in ([], ["irregular"]):
        raise ValueError(argument)
    return int(bpm), float(seconds), bool(kind)


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: make_click_disk.py DEMO_DATA OUT_DIR [BPM:SECONDS[:irregular] ...]")
    demo, out = Path(sys.argv[1]), Path(sys.argv[2])
    try:
        tempos = [tempo(argument) for argument in sys.argv[3:]] or TEMPOS
    except ValueError:
        sys.exit("make_click_disk.py: a tempo is BPM:SECONDS[:irregular], for example 150:30")
    (out / "music").mkdir(parents=True, exist_ok=True)
    for name in PICTURES:
        shutil.copyfile(demo / name, out / name)
    config = [str(len(tempos))]
    for index, (bpm, seconds, irregular) in enumerate(tempos):
        name = f"click_{bpm}.wav"
        with wave.open(str(out / "music" / name), "wb") as track:
            track.setnchannels(2)
            track.setsampwidth(2)
            track.setframerate(RATE)
            track.writeframes(click_track(bpm, seconds, index, irregular))
        config += ["stream", name, f"Clicks at {bpm}",
                   f"Clicks at uneven gaps, about {bpm} a minute." if irregular else
                   f"A click on every beat at {bpm} a minute."]
    config += ["SYNC", "CLICK TRACKS"]
    (out / "disk.cfg").write_text("\n".join(config) + "\n")


if __name__ == "__main__":
    main()
