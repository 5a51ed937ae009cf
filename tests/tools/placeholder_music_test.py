#!/usr/bin/python3
# Checks the committed placeholder music of data/: regenerating it gives the same bytes, disk.cfg
# lists the songs in the layout the program reads, and each song plays for 20 to 40 seconds,
# never clips, fades out by itself and has kicks that the beat detector hears.
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

import numpy as np

ROOT = Path(__file__).resolve().parents[2]
DATA = ROOT / "data"
MUSIC = DATA / "music"
GENERATOR = ROOT / "tools" / "make_placeholder_music.py"

sys.dont_write_bytecode = True  # importing the generators must leave no cache in the source tree
sys.path.insert(0, str(GENERATOR.parent))
import make_placeholder_music as generator  # noqa: E402
from make_placeholder_disk import GLYPH_TRIM  # noqa: E402

RATE = 44100
FRAME = 882  # one pass of the show, 20 ms


def read_disk_config():
    """(songs, credits) as the program reads disk.cfg: a count, four lines per song, the rest."""
    lines = (DATA / "disk.cfg").read_bytes().decode("ascii").split("\n")
    count = int(lines[0].split()[0])
    songs = [dict(zip(("type", "file", "title", "info"), lines[1 + 4 * i:5 + 4 * i]))
             for i in range(count)]
    return songs, lines[1 + 4 * count:]


def title_width(title, size=0.05):
    """How wide the player draws a title: each character the font has, upper-cased, takes its
    cell less the trim on both sides."""
    return sum(size * (1 - 2 * GLYPH_TRIM[ord(c) - 32]) for c in title.upper() if " " <= c <= "Z")


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

    def test_every_song_is_a_known_type_whose_file_is_there(self):
        self.assertGreaterEqual(len(self.songs), 2)
        for song in self.songs:
            with self.subTest(file=song["file"]):
                self.assertIn(song["type"], ("mod", "stream"))
                self.assertTrue((MUSIC / song["file"]).is_file())
                self.assertTrue(song["title"].strip() and song["info"].strip())

    def test_the_disk_has_every_kind_of_song_the_program_loads_differently(self):
        modules = [s["file"] for s in self.songs if s["type"] == "mod"]
        streams = [s["file"] for s in self.songs if s["type"] == "stream"]
        four_channel = [f for f in modules if f.endswith(".mod")
                        and (MUSIC / f).read_bytes()[1080:1084] == b"M.K."]
        self.assertGreaterEqual(len([f for f in modules if f.endswith(".mod")]), 2)
        self.assertTrue(four_channel, "no 4-channel M.K. module")
        self.assertTrue([f for f in modules if f.endswith(".XM")], "no .XM, played the FT2 way")
        self.assertTrue([f for f in modules if f.endswith(".xm")], "no .xm, played as ProTracker")
        self.assertTrue([f for f in streams if f.endswith(".ogg")], "no Ogg Vorbis stream")
        self.assertTrue([f for f in streams if f.endswith(".flac")], "no FLAC stream")

    def test_one_title_is_too_wide_for_its_box_so_the_marquee_runs(self):
        widest = max(self.songs, key=lambda s: title_width(s["title"]))
        self.assertGreater(title_width(widest["title"]), 0.39, widest["title"])

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

    def test_streams_are_smaller_than_a_megabyte(self):
        for song, _, _ in self.cases:
            if song["type"] == "stream":
                with self.subTest(file=song["file"]):
                    self.assertLess((MUSIC / song["file"]).stat().st_size, 1 << 20)

    def test_every_song_lasts_20_to_40_seconds(self):
        for song, _, frames in self.cases:
            with self.subTest(file=song["file"]):
                self.assertTrue(20 <= len(frames) / RATE <= 40, f"{len(frames) / RATE:.1f} s")

    def test_no_song_clips(self):
        for song, _, frames in self.cases:
            with self.subTest(file=song["file"]):
                self.assertLess(np.abs(frames).max(), 1.0)

    def test_every_song_starts_at_once_and_fades_out_by_itself(self):
        for song, _, frames in self.cases:
            with self.subTest(file=song["file"]):
                self.assertGreater(np.abs(frames[:FRAME]).max(), 0.01, "silent first pass")
                tail = frames[-RATE // 10:]
                self.assertLess(np.sqrt(np.mean(tail ** 2)), 0.003, "still playing at its end")

    def test_the_beat_detector_hears_most_full_kicks(self):
        for song, score, frames in self.cases:
            beats = band0_beats(frames.mean(axis=1))
            kicks = [n.step * 15 / score.bpm for n in score.parts["kick"] if n.velocity == 1]
            # A kick is heard when its pass or one of the next three flags a beat.
            heard = [beats[int(t / 0.02):int(t / 0.02) + 4].any() for t in kicks]
            with self.subTest(file=song["file"]):
                self.assertGreaterEqual(sum(heard), 0.75 * len(kicks),
                                        f"{sum(heard)} of {len(kicks)} kicks heard")


if __name__ == "__main__":
    unittest.main()
