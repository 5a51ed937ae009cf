#!/usr/bin/python3
# Checks the committed music of data/: regenerating it gives the same bytes, disk.cfg lists the
# songs in the layout the program reads, and each song plays for one to three minutes, is loud
# without coming near clipping, comes to an end in silence, has kicks that the beat detector hears
# and lights the player's equalizer.
import re
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

import numpy as np

ROOT = Path(__file__).resolve().parents[2]
DATA = ROOT / "data"
MUSIC = DATA / "music"
GENERATOR = ROOT / "tools" / "make_music.py"

sys.dont_write_bytecode = True  # importing the generator must leave no cache in the source tree
sys.path.insert(0, str(GENERATOR.parent))
import equalizer_figure  # noqa: E402
import make_music as generator  # noqa: E402

RATE = 44100
FRAME = 882  # one pass of the show, 20 ms


def read_disk_config():
    """(songs, credits) as the program reads disk.cfg: a count, four lines per song, the rest."""
    lines = (DATA / "disk.cfg").read_bytes().decode("ascii").split("\n")
    count = int(lines[0].split()[0])
    songs = [dict(zip(("type", "file", "title", "info"), lines[1 + 4 * i:5 + 4 * i]))
             for i in range(count)]
    return songs, lines[1 + 4 * count:]


def glyph_trims():
    """The program's own trim of each font cell, ' ' to 'Z', read from its font layout."""
    source = (ROOT / "graphics" / "font_layout.cpp").read_text()
    table = re.search(r"kGlyphTrim\[59\] = \{(.*?)\};", source, re.S).group(1)
    trims = [float(v) for v in re.findall(r"([0-9.]+)f", re.sub(r"//[^\n]*", "", table))]
    assert len(trims) == 59, "the font layout's trim table has changed shape"
    return trims


def title_width(title, trims, size=0.05):
    """How wide the player draws a title: each character the font has, upper-cased, takes its
    cell less the trim on both sides."""
    return sum(size * (1 - 2 * trims[ord(c) - 32]) for c in title.upper() if " " <= c <= "Z")


def render(path):
    """The song as the program plays it: 44.1 kHz stereo float frames. Modules go through
    openmpt123 with the program's mixing (no interpolation), streams through sox."""
    if path.suffix.lower() in (".mod", ".xm"):
        command = ["openmpt123", "--batch", "--quiet", "--samplerate", str(RATE), "--filter", "1",
                   "--float", "--stdout", str(path)]
    else:
        command = ["sox", str(path), "-t", "f32", "-r", str(RATE), "-c", "2", "-"]
    raw = subprocess.run(command, capture_output=True, check=True).stdout
    return np.frombuffer(raw, dtype=np.float32).reshape(-1, 2)


def module_duration(path):
    """libopenmpt's own measure of how long a module plays before it ends, in seconds."""
    info = subprocess.run(["openmpt123", "--info", str(path)], capture_output=True, text=True,
                          check=True).stdout
    minutes, seconds = re.search(r"Duration\.*: (\d+):([\d.]+)", info).groups()
    return 60 * int(minutes) + float(seconds)


def band0_beats(mono):
    """Per 20 ms pass, whether the show's analyzer flags a beat in its lowest band: the magnitude
    sum of the first four bins of a 512-sample Hann-windowed FFT, taken every other pass, above
    three times its mean over the 43 passes before."""
    window = 0.5 - 0.5 * np.cos(2 * np.pi * np.arange(512) / 512)
    history = np.zeros(43)
    energy = 0.0
    beats = []
    for n in range(len(mono) // FRAME):
        end = (n + 1) * FRAME
        if n % 2 == 0 and end >= 512:
            energy = np.abs(np.fft.rfft(mono[end - 512:end] * window))[:4].sum() / 4
        beats.append(energy > 3 * history.mean())
        history = np.roll(history, -1)
        history[-1] = energy
    return np.array(beats)


def kicks_heard(frames, score):
    """(heard, count) of the score's full kicks: one is heard when its pass or one of the next
    three flags a beat in band 0."""
    beats = band0_beats(frames.mean(axis=1))
    kicks = [n.step * 15 / score.bpm for n in score.parts["kick"] if n.velocity == 1]
    heard = [beats[int(t / 0.02):int(t / 0.02) + 4].any() for t in kicks]
    return sum(heard), len(kicks)


class Reproducible(unittest.TestCase):
    def test_regenerating_gives_the_committed_bytes(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, str(GENERATOR), out], check=True)
            made = sorted(p.relative_to(out) for p in Path(out).rglob("*") if p.is_file())
            committed = sorted(p.relative_to(DATA) for p in MUSIC.iterdir()) + [Path("disk.cfg")]
            self.assertEqual(made, sorted(committed), "data/music holds files of other makers")
            for name in made:
                with self.subTest(file=str(name)):
                    same = (Path(out) / name).read_bytes() == (DATA / name).read_bytes()
                    self.assertTrue(same, f"data/{name} is not what the generator makes")


class DiskConfig(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.songs, cls.credits = read_disk_config()

    def test_lines_end_in_line_feeds_alone(self):
        self.assertNotIn(b"\r", (DATA / "disk.cfg").read_bytes())

    def test_every_song_is_a_known_type_whose_file_is_there_with_a_text(self):
        self.assertGreaterEqual(len(self.songs), 6)
        for song in self.songs:
            with self.subTest(file=song["file"]):
                self.assertIn(song["type"], ("mod", "stream"))
                self.assertTrue((MUSIC / song["file"]).is_file())
                self.assertTrue(song["title"].strip())
                sentences = [s for s in re.split(r"[.!?]\s", song["info"] + " ") if s.strip()]
                self.assertGreaterEqual(len(sentences), 3, "the information text is too thin")

    def test_the_disk_has_every_kind_of_song_the_program_loads_differently(self):
        modules = [s["file"] for s in self.songs if s["type"] == "mod"]
        streams = [s["file"] for s in self.songs if s["type"] == "stream"]
        layouts = [(MUSIC / f).read_bytes()[1080:1084] for f in modules if f.endswith(".mod")]
        self.assertIn(b"M.K.", layouts, "no 4-channel ProTracker module")
        self.assertIn(b"8CHN", layouts, "no 8-channel ProTracker module")
        self.assertTrue([f for f in modules if f.endswith(".XM")], "no .XM, played the FT2 way")
        self.assertTrue([f for f in streams if f.endswith(".ogg")], "no Ogg Vorbis stream")
        self.assertTrue([f for f in streams if f.endswith(".flac")], "no FLAC stream")

    def test_one_title_is_too_wide_for_its_box_so_the_marquee_runs(self):
        trims = glyph_trims()
        widest = max(self.songs, key=lambda s: title_width(s["title"], trims))
        # Wider than the box at 4:3 and at 5:4, whose aspect makes the box widest.
        self.assertGreater(title_width(widest["title"], trims), 0.39, widest["title"])

    def test_credits_run_to_twenty_lines_in_sections(self):
        lines = "\n".join(self.credits).rstrip("\n").split("\n")
        self.assertGreaterEqual(len(lines), 20)
        self.assertGreaterEqual(lines.count(""), 3, "no empty lines between the sections")


class Songs(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        songs, _ = read_disk_config()
        scores = {s.file: s for s in generator.SONGS}
        cls.cases = [(song, scores[song["file"]], render(MUSIC / song["file"])) for song in songs]

    def test_streams_are_smaller_than_three_megabytes(self):
        for song, _, _ in self.cases:
            if song["type"] == "stream":
                with self.subTest(file=song["file"]):
                    self.assertLess((MUSIC / song["file"]).stat().st_size, 3 << 20)

    def test_every_song_lasts_one_to_three_minutes(self):
        for song, _, frames in self.cases:
            with self.subTest(file=song["file"]):
                self.assertTrue(60 <= len(frames) / RATE <= 180, f"{len(frames) / RATE:.1f} s")

    def test_every_song_is_loud_and_peaks_below_minus_one_dbfs(self):
        # The streams are mastered to -14 dBFS; a module's mixer cannot limit its peaks, so a
        # module of many channels stays a few dB under that.
        for song, _, frames in self.cases:
            with self.subTest(file=song["file"]):
                rms = 20 * np.log10(np.sqrt(np.mean(frames.astype(np.float64) ** 2)))
                peak = 20 * np.log10(np.abs(frames).max())
                self.assertLessEqual(peak, -1.0)
                self.assertTrue(-16.5 <= rms <= -13.5, f"RMS {rms:.1f} dBFS")
                if song["type"] == "stream":
                    self.assertAlmostEqual(rms, -14.0, delta=0.5)

    def test_every_song_starts_at_once_and_ends_in_silence(self):
        for song, _, frames in self.cases:
            with self.subTest(file=song["file"]):
                self.assertGreater(np.abs(frames[:FRAME]).max(), 0.01, "silent first pass")
                tail = frames[-RATE // 10:]
                self.assertLess(np.sqrt(np.mean(tail ** 2)), 0.003, "still playing at its end")

    def test_modules_end_where_their_score_ends(self):
        # A module that jumped back would play on past its last bar, or stop short of it.
        for song, score, frames in self.cases:
            if song["type"] == "mod":
                with self.subTest(file=song["file"]):
                    duration = module_duration(MUSIC / song["file"])
                    self.assertAlmostEqual(duration, score.seconds, delta=0.05)
                    # openmpt123 writes whole blocks of about a tenth of a second.
                    self.assertGreaterEqual(len(frames) / RATE, duration - 0.05)
                    self.assertLess(len(frames) / RATE, duration + 0.15)

    def test_every_song_lights_the_equalizer(self):
        # Estimated from the sound as the player's analyzer samples it, every 0.06 s.
        for song, _, frames in self.cases:
            figure = equalizer_figure.figure(equalizer_figure.sound_spectra(frames.mean(axis=1)))
            with self.subTest(file=song["file"]):
                self.assertTrue(figure.lively, str(figure))

    def test_the_beat_detector_hears_most_full_kicks(self):
        for song, score, frames in self.cases:
            heard, count = kicks_heard(frames, score)
            with self.subTest(file=song["file"]):
                self.assertGreaterEqual(heard, 0.75 * count, f"{heard} of {count} kicks heard")


if __name__ == "__main__":
    unittest.main()
