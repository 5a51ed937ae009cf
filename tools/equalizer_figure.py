#!/usr/bin/python3
# The equalizer figure: how much of the player's bar equalizer a song lights. Per sample of the
# player screen's spectrum analyzer, each of the 16 columns lights min(12, trunc(70 * magnitude))
# of its cells, the magnitude being that of the column's spectrum bin; the figure of a sample is
# the sum over the columns, 0 to 192. A song is summed up by the mean of its samples, their 95th
# percentile and each column's highest. Everything that uses the figure reads it from here.
"""Prints, per song the player played (the trace's player.currentSong), the number of analyzer
samples, the mean and 95th percentile of the cells lit and each column's highest. TRACE is a
--trace file of a run (- for standard input). With --orvell, runs PROGRAM in record mode on the
disk in DIR (default: data): it skips the intro, restarts the first song and lets the player go
through every song once from its start, for S seconds of show time (default: the songs' lengths
added up as libopenmpt and soxi measure them), and measures every song over its whole length."""

import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
from dataclasses import dataclass
from pathlib import Path

import numpy as np

COLUMNS = 16          # one per spectrum bin, from the lowest
ROWS = 12             # cells of a column
CELLS_PER_UNIT = 70   # cells a column lights per unit of magnitude
PLAYER_SCENE = 5      # the analyzer whose first visualizer is the equalizer

# A song lighting fewer cells than this on average leaves the equalizer nearly dark.
QUIET_MEAN = 24
# What the demo disk's songs reach besides: a 95th percentile of at least 60 cells and every
# column at least 6 cells high at some moment.
LIVELY_P95 = 60
LIVELY_COLUMN = 6

# The FFT behind BASS_ChannelGetData, for estimates from sound alone: a 512-sample periodic Hann
# window, scaled so that a full-scale sine centred on a bin reads 1 (the window's mean is 1/2 and
# a real sine puts half its amplitude into its positive-frequency bin).
FFT_FRAMES = 512
HANN = 0.5 - 0.5 * np.cos(2 * np.pi * np.arange(FFT_FRAMES) / FFT_FRAMES)
FFT_SCALE = 2.0 / HANN.sum()


def column_cells(spectrum):
    """Cells lit per column for one sample's spectrum (its first 16 magnitudes are used), as the
    equalizer computes them: the magnitude times 70 in single precision, truncated, at most 12."""
    levels = np.asarray(spectrum, dtype=np.float32)[..., :COLUMNS] * np.float32(CELLS_PER_UNIT)
    return np.minimum(ROWS, np.trunc(levels)).astype(np.int32)


@dataclass
class Figure:
    samples: int
    mean: float
    p95: float
    column_max: list

    @property
    def quiet(self):
        return self.mean < QUIET_MEAN

    @property
    def lively(self):
        """Meets all three of the demo disk's numbers."""
        return (not self.quiet and self.p95 >= LIVELY_P95
                and min(self.column_max) >= LIVELY_COLUMN)

    def __str__(self):
        return (f"{self.samples} samples, mean {self.mean:.1f}, p95 {self.p95:.1f}, "
                f"column max {' '.join(str(c) for c in self.column_max)}")


def figure(spectra):
    """The figure of a run of samples, one spectrum (16 or more magnitudes) per row."""
    cells = column_cells([np.asarray(spectrum)[:COLUMNS] for spectrum in spectra])
    lit = cells.sum(axis=1)
    return Figure(len(lit), float(lit.mean()), float(np.percentile(lit, 95)),
                  [int(c) for c in cells.max(axis=0)])


def player_spectra(lines, start=0.0):
    """{song index: [spectrum, ...]} from trace lines: each new sample of the player screen's
    analyzer (a pass repeats the last one until the next is due), under the song selected in
    the pass that took it. Passes before start seconds are left out, and so is everything from
    the moment the player comes back to a song it has already played and left."""
    songs = {}
    last = None
    for line in lines:
        record = json.loads(line)
        if record["t"] < start:
            continue
        song = record["player"]["currentSong"]
        if song in songs and song != list(songs)[-1]:
            break
        for analyzer in record.get("analyzers", []):
            if analyzer["scene"] != PLAYER_SCENE or analyzer["sampleTime"] == last:
                continue
            last = analyzer["sampleTime"]
            songs.setdefault(song, []).append(analyzer["spectrum"][:COLUMNS])
    return songs


def sound_spectra(mono, rate=44100, pass_frames=882, passes_per_sample=3):
    """An estimate from the sound alone, without a run of the player: the spectra of the 512
    samples before every third 20 ms pass, the player's analyzer taking a sample every 0.06 s
    of its 20 ms passes (the first pass at least 0.04 s after the last)."""
    ends = np.arange(pass_frames * passes_per_sample, len(mono) + 1,
                     pass_frames * passes_per_sample)
    ends = ends[ends >= FFT_FRAMES]
    blocks = np.stack([mono[end - FFT_FRAMES:end] for end in ends]) * HANN
    return np.abs(np.fft.rfft(blocks, axis=1)[:, :COLUMNS]) * FFT_SCALE


# The run behind --orvell: Space skips the intro; Right then Left restart the first song, which
# has been playing since the program started. The songs are measured from then on.
WHOLE_DISK_SCRIPT = "0.1 key press SPACE\n1.5 key press RIGHT\n1.7 key press LEFT\n"
WHOLE_DISK_START = 2.0


def song_seconds(path):
    """How long a song of the disk plays: libopenmpt's measure for modules, soxi's for streams."""
    if path.suffix.lower() in (".mod", ".xm"):
        info = subprocess.run(["openmpt123", "--info", str(path)], capture_output=True,
                              text=True, check=True).stdout
        minutes, seconds = re.search(r"Duration\.*: (\d+):([\d.]+)", info).groups()
        return 60 * int(minutes) + float(seconds)
    return float(subprocess.run(["soxi", "-D", str(path)], capture_output=True, text=True,
                                check=True).stdout)


def disk_seconds(data):
    """The show time a whole-disk run needs: every song of data/disk.cfg once, and the start."""
    lines = (data / "disk.cfg").read_text(encoding="latin-1").split("\n")
    files = [lines[2 + 4 * i] for i in range(int(lines[0].split()[0]))]
    return WHOLE_DISK_START + sum(song_seconds(data / "music" / f) for f in files) + 0.5


def run_player(orvell, data, seconds):
    """{song: [spectrum, ...]} of a record-mode run over the whole disk, its trace read through
    a named pipe so that a long run needs no room for it, and its frames all but dropped."""
    with tempfile.TemporaryDirectory() as scratch:
        scratch = Path(scratch)
        (scratch / "script").write_text(WHOLE_DISK_SCRIPT)
        trace = scratch / "trace"
        os.mkfifo(trace)
        run = subprocess.Popen([str(orvell), "--data", str(data), "--record", str(scratch / "out"),
                                "--mode", "320x240", "--record-every", "1000000000",
                                "--duration", f"{seconds:.2f}", "--script",
                                str(scratch / "script"), "--trace", str(trace)],
                               stdout=subprocess.DEVNULL)
        with open(trace, encoding="utf-8") as lines:
            songs = player_spectra(lines, WHOLE_DISK_START)
            for _ in lines:  # the rest of the run, which must not block on a full pipe
                pass
        if run.wait():
            sys.exit(f"equalizer_figure.py: {orvell} failed with status {run.returncode}")
    return songs


def main(argv):
    parser = argparse.ArgumentParser(
        usage="equalizer_figure.py TRACE | --orvell PROGRAM [--data DIR] [--seconds S]",
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("trace", nargs="?", help="a --trace file, - for standard input")
    parser.add_argument("--orvell", type=Path, metavar="PROGRAM", help="the program to run")
    parser.add_argument("--data", type=Path, default=Path("data"), metavar="DIR",
                        help="the disk to play (default: data)")
    parser.add_argument("--seconds", type=float, metavar="S", help="show time of the run")
    args = parser.parse_args(argv[1:])
    if (args.trace is None) == (args.orvell is None):
        parser.error("give either a trace or --orvell")
    if args.orvell:
        songs = run_player(args.orvell, args.data, args.seconds or disk_seconds(args.data))
    else:
        source = sys.stdin if args.trace == "-" else open(args.trace, encoding="utf-8")
        with source:
            songs = player_spectra(source)
    if not songs:
        sys.exit("equalizer_figure.py: the trace holds no sample of the player's analyzer")
    for song in sorted(songs):
        print(f"song {song}: {figure(songs[song])}")


if __name__ == "__main__":
    main(sys.argv)
