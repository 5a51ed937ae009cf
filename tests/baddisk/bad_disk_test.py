#!/usr/bin/python3
# Bad disks: copies of the demo disk broken in one way each, made here at test time. On every one
# the program must start in record mode, say what the disk's fault is in the messages it has for
# it (and nothing else), run the show as far as the disk allows with a visitor pressing keys and
# clicking through the player, end by itself on Escape with status 0, and do all that without a
# crash, a hang or a sanitizer report.
# Usage: bad_disk_test.py ORVELL WORK_FOLDER FAMILY, FAMILY one of the test classes below.
import json
import os
import random
import shutil
import struct
import subprocess
import sys
import unittest
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
DATA = ROOT / "data"
ORVELL = None  # set from the command line
WORK = None

LOAD = "Failed to load music file. Sorry."
UNSUPPORTED = "Unsupported song type"
EFFECT = "Failed to create effect gui.fx"
TECHNIQUE = "No such technique GUI in gui.fx"
FONT = "Failed to create default font"

# The visitor: skips the intro, uses every key and a few buttons and panels at 320x240, and quits
# with Escape at 6.8 s; the fade-out ends the show a second later, well before DURATION.
WIDTH, HEIGHT = 320, 240
DURATION = 10
PASSES = DURATION * 50
SCRIPT = """\
0.5 key press SPACE
1.6 key press RIGHT
1.9 key press LEFT
2.2 key press P
2.5 key press RETURN
2.8 key press KP_PLUS
3.1 key press KP_MINUS
3.4 click 80 93
3.8 click 79 204
4.4 click 256 202
5.0 click 158 115
5.4 click 259 88
5.8 key press R
6.1 key press T
6.4 click 94 176
6.8 key press ESCAPE
"""


def read_songs(config):
    """The demo disk's songs as the program reads them: [(type, file, title, info)]."""
    lines = config.split(b"\n")
    count = int(lines[0].split()[0])
    return [tuple(lines[1 + 4 * i:5 + 4 * i]) for i in range(count)]


BASE_CONFIG = (DATA / "disk.cfg").read_bytes()
SONGS = read_songs(BASE_CONFIG)
CREDITS = b"\n".join(BASE_CONFIG.split(b"\n")[1 + 4 * len(SONGS):])
PICTURES = ["tit.png", "credits.png", "cloudring.png", "font.png"]


def config(songs, count=None, credits=CREDITS):
    count = str(len(songs)).encode() if count is None else count
    return count + b"\n" + b"".join(b"\n".join(song) + b"\n" for song in songs) + credits


def with_song(index, **fields):
    names = ["type", "file", "title", "info"]
    songs = [list(song) for song in SONGS]
    for name, value in fields.items():
        songs[index][names.index(name)] = value
    return config([tuple(song) for song in songs])


def png(width, height, rows=None):
    """A PNG whose header declares width x height; rows of 8-bit grey pixels, or none at all."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body))
    header = struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0)
    data = b"" if rows is None else zlib.compress(b"".join(b"\0" + row for row in rows))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) +
            chunk(b"IEND", b""))


def noise(size, seed):
    return random.Random(seed).randbytes(size)


def music(name):
    return (DATA / "music" / name).read_bytes()


class Disk:
    """A disk folder in WORK: the demo disk, linked file by file, then changed by the case."""

    def __init__(self, name):
        self.path = WORK / name
        shutil.rmtree(self.path, ignore_errors=True)
        shutil.copytree(DATA, self.path, copy_function=os.link,
                        ignore=shutil.ignore_patterns("README.md"))

    def put(self, relative, content):
        # Files are hard links into data/: replace, never write through.
        target = self.path / relative
        target.unlink(missing_ok=True)
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(content)

    def remove(self, relative):
        target = self.path / relative
        if target.is_dir():
            shutil.rmtree(target)
        else:
            target.unlink()


class Run:
    """orvell on the disk at disk_path; None: no --data, from a folder without a disk."""

    def __init__(self, disk_path, name):
        out = WORK / (name + ".out")
        shutil.rmtree(out, ignore_errors=True)
        out.mkdir(parents=True)
        script = out / "input.txt"
        script.write_text(SCRIPT)
        self.folder = out
        self.trace = out / "trace.jsonl"
        command = [ORVELL, "--no-setup", "--record", str(out), "--record-every", "100000",
                   "--mode", f"{WIDTH}x{HEIGHT}", "--duration", str(DURATION), "--seed", "1",
                   "--script", str(script), "--trace", str(self.trace)]
        if disk_path is not None:
            command += ["--data", str(disk_path)]
        try:
            done = subprocess.run(command, capture_output=True, timeout=240, cwd=out)
            self.status, self.err = done.returncode, done.stderr.decode("utf-8", "replace")
        except subprocess.TimeoutExpired as expired:
            self.status = "timeout"
            self.err = (expired.stderr or b"").decode("utf-8", "replace")
        self.messages = [line[len("Orvell: "):] for line in self.err.splitlines()
                         if line.startswith("Orvell: ")]
        self.passes = self.trace.read_text().splitlines() if self.trace.exists() else []


class BadDiskTest(unittest.TestCase):
    maxDiff = 4000

    def check(self, name, change, messages, show=True, data=True):
        """Runs the disk that change(disk) makes. messages: the exact messages, in order. show:
        the player is reached and Escape ends it; otherwise the run must end at once."""
        with self.subTest(name):
            disk = Disk(name)
            change(disk)
            run = Run(disk.path if data else None, name)
            self.assertNotIn("Sanitizer", run.err, name)
            self.assertNotIn("runtime error", run.err, name)
            self.assertEqual(run.status, 0, f"{name}:\n{run.err[-3000:]}")
            self.assertEqual(run.messages, messages, name)
            if show:
                # Escape at 6.8 s, then one second of fade-out: the program ends by itself.
                self.assertGreater(len(run.passes), 6.8 * 50, name)
                self.assertLess(len(run.passes), PASSES, name)
                scenes = [json.loads(line)["scenes"] for line in run.passes]
                self.assertTrue(any(frame[5]["active"] for frame in scenes),
                                f"{name}: the player screen never showed")
                self.assertFalse(any(scene["active"] for scene in scenes[-1]), name)
            else:
                self.assertLessEqual(len(run.passes), 2, name)
            # A disk and its run take megabytes; only a failure's are worth keeping.
            shutil.rmtree(disk.path, ignore_errors=True)
            shutil.rmtree(run.folder)


class Folders(BadDiskTest):
    def test_missing_folder_and_files(self):
        def no_folder(disk):
            shutil.rmtree(disk.path)
        # Neither beside the program nor in the working folder: the program can show nothing.
        self.check("no_data_folder", no_folder, [EFFECT, TECHNIQUE, FONT], show=False, data=False)
        # A folder named on the command line must be there.
        missing = Run(WORK / "not_a_disk", "data_option_naming_nothing")
        self.assertEqual(missing.status, 2)
        self.assertIn("--data", missing.err)
        self.check("no_disk_cfg", lambda d: d.remove("disk.cfg"), [])
        self.check("no_gui_fx", lambda d: d.remove("gui.fx"), [EFFECT, TECHNIQUE])
        self.check("no_font", lambda d: d.remove("font.png"), [FONT], show=False)
        for picture in ["tit.png", "credits.png", "cloudring.png"]:
            self.check("no_" + picture, lambda d, p=picture: d.remove(p), [])
        self.check("no_music_folder", lambda d: d.remove("music"), [LOAD] * len(SONGS))
        for song in SONGS:
            name = song[1].decode()
            self.check("no_music_" + name, lambda d, n=name: d.remove("music/" + n), [LOAD])

    def test_named_pipes_in_place_of_files(self):
        # Nothing ever writes to them: opening one to read would wait for ever.
        def pipe(name):
            def change(disk):
                disk.remove(name)
                os.mkfifo(disk.path / name)
            return change
        self.check("pipe_disk_cfg", pipe("disk.cfg"), [])
        self.check("pipe_gui_fx", pipe("gui.fx"), [EFFECT, TECHNIQUE])
        self.check("pipe_font", pipe("font.png"), [FONT], show=False)
        self.check("pipe_tit", pipe("tit.png"), [])
        self.check("pipe_music", pipe("music/" + SONGS[0][1].decode()), [LOAD])


class Config(BadDiskTest):
    def test_counts(self):
        entries = len(SONGS)
        for count, songs in [(b"0", 0), (b"1", 1), (b"-3", 0), (b"+2 songs", 2)]:
            self.check("count_" + count.decode().replace(" ", "_"),
                       lambda d, c=count: d.put("disk.cfg", config(SONGS, count=c)), [])
        self.check("count_33", lambda d: d.put("disk.cfg", config(SONGS, count=b"33")),
                   [UNSUPPORTED, LOAD] * (33 - entries))
        for count in [b"2000000000", b"99999999999999999999"]:
            read = 1024
            self.check("count_" + count.decode(),
                       lambda d, c=count: d.put("disk.cfg", config(SONGS, count=c)),
                       [f"disk.cfg lists {min(int(count), 2**31 - 1)} songs but holds far fewer; "
                        f"only {read} are read"] + [UNSUPPORTED, LOAD] * (read - entries))

    def test_unreadable_files(self):
        self.check("empty_config", lambda d: d.put("disk.cfg", b""), [])
        self.check("binary_config", lambda d: d.put("disk.cfg", b"\xff" + noise(4096, 1)), [])
        self.check("count_only_no_line_end",
                   lambda d: d.put("disk.cfg", b"2"), [UNSUPPORTED, LOAD] * 2)
        self.check("crlf_and_no_last_line_end",
                   lambda d: d.put("disk.cfg", config(SONGS).replace(b"\n", b"\r\n").rstrip()), [])
        # The last entry ends after its file name, without a line end: it still loads.
        self.check("last_entry_cut_short", lambda d: d.put("disk.cfg", config(
            SONGS[:1], count=b"2", credits=b"") + SONGS[1][0] + b"\n" + SONGS[1][1]), [])

    def test_long_lines(self):
        megabyte = b"A LONG LINE " * (1 << 20 // 12)
        self.check("megabyte_title", lambda d: d.put("disk.cfg", with_song(0, title=megabyte)), [])
        self.check("megabyte_info", lambda d: d.put("disk.cfg", with_song(0, info=megabyte)), [])
        self.check("megabyte_credits_line", lambda d: d.put(
            "disk.cfg", config(SONGS, credits=megabyte + b"\n" + CREDITS)), [])
        self.check("megabyte_type", lambda d: d.put("disk.cfg", with_song(0, type=megabyte)),
                   [UNSUPPORTED, LOAD])
        self.check("megabyte_file_name",
                   lambda d: d.put("disk.cfg", with_song(0, file=megabyte)), [LOAD])

    def test_strange_text(self):
        self.check("non_utf8_title", lambda d: d.put(
            "disk.cfg", with_song(0, title=bytes(range(0x80, 0x100)), info=b"\xc3\x28\xff")), [])
        controls = bytes(c for c in range(0x20) if c != 0x0a) + b"\x7f"
        self.check("control_characters", lambda d: d.put("disk.cfg", config(
            [(t, f, controls + title, controls) for t, f, title, _ in SONGS],
            credits=controls + b"\n" + CREDITS)), [])
        self.check("type_with_a_trailing_space",
                   lambda d: d.put("disk.cfg", with_song(0, type=SONGS[0][0] + b" ")),
                   [UNSUPPORTED, LOAD])

    def test_file_names(self):
        first = SONGS[0][1].decode()

        def spaces(disk):
            disk.put("music/with spaces " + first, music(first))
            disk.put("disk.cfg", with_song(0, file=b"with spaces " + SONGS[0][1]))
        self.check("file_name_with_spaces", spaces, [])
        self.check("file_name_padded", lambda d: d.put(
            "disk.cfg", with_song(0, file=b" " + SONGS[0][1] + b" ")), [LOAD])
        self.check("file_name_missing",
                   lambda d: d.put("disk.cfg", with_song(0, file=b"not_on_the_disk.mod")), [LOAD])
        self.check("file_name_empty", lambda d: d.put("disk.cfg", with_song(0, file=b"")), [LOAD])
        self.check("file_name_a_folder", lambda d: d.put("disk.cfg", with_song(0, file=b".")),
                   [LOAD])

        # A disk reads only its own music folder, however its names climb.
        def outside(disk):
            disk.put("../outside-" + first, music(first))
            disk.put("disk.cfg", with_song(0, file=b"../../outside-" + SONGS[0][1]))
        self.check("file_name_leaving_the_disk", outside, [LOAD])
        self.check("file_name_up_into_the_disk",
                   lambda d: d.put("disk.cfg", with_song(0, file=b"../gui.fx")), [LOAD])
        self.check("file_name_down_and_up", lambda d: d.put(
            "disk.cfg", with_song(0, file=b"../music/" + SONGS[0][1])), [LOAD])


class Music(BadDiskTest):
    def test_damaged_music(self):
        picture = (DATA / "font.png").read_bytes()
        module = next(music(s[1].decode()) for s in SONGS if s[0] == b"mod")
        for index, song in enumerate(SONGS):
            name = song[1].decode()
            stem = name.replace(".", "_")
            whole = music(name)
            other = picture if song[0] == b"mod" else module
            for kind, content in [("empty", b""), ("first_bytes", whole[:16]),
                                  ("random", noise(len(whole), index)), ("wrong_type", other)]:
                self.check(f"{kind}_{stem}", lambda d, n=name, c=content: d.put(
                    "music/" + n, c), [LOAD])
            # Cut in the middle, a song still opens and plays until its data ends.
            self.check("half_" + stem, lambda d, n=name, w=whole: d.put(
                "music/" + n, w[:len(w) // 2]), [])


class Pictures(BadDiskTest):
    def test_damaged_pictures(self):
        for name in PICTURES:
            whole = (DATA / name).read_bytes()
            stem = name.split(".")[0]
            # Only the font is needed to show anything: without it the run ends at once.
            font = name == "font.png"
            for kind, content in [
                    ("empty", b""), ("truncated", whole[:len(whole) // 2]),
                    ("header_only", whole[:33]), ("random", noise(len(whole), 7)),
                    ("huge", png(100000, 100000)), ("wider_than_any_texture",
                                                    png(65536, 1, [b"\x80" * 65536])),
                    ("zero_size", png(0, 0))]:
                self.check(f"{kind}_{stem}", lambda d, n=name, c=content: d.put(n, c),
                           [FONT] if font else [], show=not font)


class Effect(BadDiskTest):
    def test_broken_effects(self):
        effect = (DATA / "gui.fx").read_bytes()
        for kind, content, messages in [
                ("syntax_error", effect.replace(b"}", b"", 1), [EFFECT, TECHNIQUE]),
                ("empty", b"", [EFFECT, TECHNIQUE]),
                ("random", noise(len(effect), 3), [EFFECT, TECHNIQUE]),
                ("cut_in_half", effect[:len(effect) // 2], [EFFECT, TECHNIQUE]),
                ("glsl_error", effect.replace(b"main", b"mian"), [EFFECT, TECHNIQUE]),
                ("no_technique_gui", effect.replace(b"GUI", b"IUG"), [TECHNIQUE])]:
            self.check("effect_" + kind, lambda d, c=content: d.put("gui.fx", c), messages)


if __name__ == "__main__":
    ORVELL, WORK = str(Path(sys.argv[1]).resolve()), Path(sys.argv[2]).resolve()
    WORK.mkdir(parents=True, exist_ok=True)
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
