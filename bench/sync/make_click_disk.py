#!/usr/bin/env python3
"""Writes the sync measurement's disk: the demo disk's pictures and effect, and a disk.cfg of
click tracks, one stream per tempo.

Each track is silence with a click on every beat: 80 ms of seeded white noise that starts at
full strength on the beat's first frame, so that a listener can tell to the frame when a click
is heard, and that is long enough that an analyzer sampling every 40 to 70 ms always catches it.
Between the clicks the frames are exactly zero: a band with no energy never counts as a beat, so
every beat the analyzer flags belongs to a click. Usage: make_click_disk.py DEMO_DATA OUT_DIR
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
TEMPOS = [(60, 20), (100, 20), (140, 20)]
PICTURES = ["gui.fx", "font.png", "tit.png", "cloudring.png", "credits.png"]


def click_track(bpm, seconds, seed):
    noise = random.Random(seed)
    period = round(RATE * 60 / bpm)
    click = round(RATE * CLICK_SECONDS)
    lead = round(RATE * LEAD_IN_SECONDS)
    total = round(RATE * seconds)
    frames = bytearray(4 * total)  # 16-bit stereo, all zero
    for start in range(lead, total - click, period):
        for i in range(click):
            # The first frame at full strength: the listener's onset is the click's first frame.
            value = round(AMPLITUDE * 32767 * (noise.uniform(-1, 1) if i else 1))
            struct.pack_into("<hh", frames, 4 * (start + i), value, value)
    return bytes(frames)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_click_disk.py DEMO_DATA OUT_DIR")
    demo, out = Path(sys.argv[1]), Path(sys.argv[2])
    (out / "music").mkdir(parents=True, exist_ok=True)
    for name in PICTURES:
        shutil.copyfile(demo / name, out / name)
    config = [str(len(TEMPOS))]
    for index, (bpm, seconds) in enumerate(TEMPOS):
        name = f"click_{bpm}.wav"
        with wave.open(str(out / "music" / name), "wb") as track:
            track.setnchannels(2)
            track.setsampwidth(2)
            track.setframerate(RATE)
            track.writeframes(click_track(bpm, seconds, index))
        config += ["stream", name, f"Clicks at {bpm}", f"A click on every beat at {bpm} a minute."]
    config += ["SYNC", "CLICK TRACKS"]
    (out / "disk.cfg").write_text("\n".join(config) + "\n")


if __name__ == "__main__":
    main()
