#!/usr/bin/python3
# The long run: one hour of show time in record mode under scripted random input, with the
# program built with AddressSanitizer and UBSan. Watches the memory the process holds as the show
# goes on and checks that it stays flat, and at the end that the show still answered its last
# inputs and ended by itself, with status 0 and without a sanitizer report (leak check included).
"""Usage: soak.py --orvell BUILD/orvell [--seconds 3600] [--seed 1] [--out DIR] [--mode 320x240]
                 [--record-every 3000] [--data data] [--suppressions FILE] [--script-only]

Writes to DIR (default build/soak/run): input.txt (the script), player.jsonl (every change of the
traced player state, with its show time), memory.csv (resident memory over wall and show time),
stderr.txt, the recorded frames and audio.wav, and summary.txt, the report also printed at the
end. Exits 1 when a check fails. The same seed gives the same script."""

import argparse
import json
import os
import random
import re
import shutil
import subprocess
import sys
import threading
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# The last seconds are kept for the closing inputs whose effect the checks look for.
TAIL = 14.0
CLOSING_PANELS, CLOSING_SONG, CLOSING_CREDITS, CLOSING_QUIT = 12.0, 10.0, 8.0, 5.0
# An input at T shows in the trace two or three passes later.
REACTION = 0.1

# The show times at which the peak resident memory is reported, in seconds.
MILESTONES = (60, 1800, 3600)


# ---------------------------------------------------------------------------------------------
# The player screen's clickable places, in screen coordinates of the 4:3 layout (x from -1 left
# to 1 right, y from -1 bottom to 1 top; x and widths are divided by the aspect factor k), as
# scenes/player/playback_controls.cpp, information_panel.cpp and overlay_panels.cpp place them.


@dataclass(frozen=True)
class Area:
    name: str
    x: float
    y: float
    w: float
    h: float


BUTTON_W, BUTTON_H, BUTTON_Y = 0.068359375, 0.09375, -0.5130208
VOLUME_X, VOLUME_H = -0.365234375, 0.044270836
INFO_X, INFO_W, INFO_H = -0.70875, 0.40625, 0.057291668
CLOSE_AREA = Area("close panel", 0.61, 0.15, 0.023, 0.23)

AREAS = [
    Area("stop", -0.611328125, BUTTON_Y, BUTTON_W, BUTTON_H),
    Area("play", -0.529296875, BUTTON_Y, BUTTON_W, BUTTON_H),
    Area("previous", -0.693359375, BUTTON_Y, BUTTON_W, BUTTON_H),
    Area("next", -0.447265625, BUTTON_Y, BUTTON_W, BUTTON_H),
    Area("louder", VOLUME_X, -0.4635417, BUTTON_W, VOLUME_H),
    Area("softer", VOLUME_X, BUTTON_Y, BUTTON_W, VOLUME_H),
    # The information panel's toggle: its top strip when open, its tab when closed.
    Area("info strip", INFO_X, 0.1884765625 * 2.6666667 - 0.30729166, INFO_W, INFO_H),
    Area("info tab", INFO_X, -0.30729166, INFO_W, INFO_H),
    Area("credits", -0.635, -0.72, 0.08, 0.041666668),
    Area("picture", -0.55, -0.72, 0.084, 0.041666668),
    # Wider than the screen's right half: only its visible part is clicked.
    Area("track list", 0.44, -0.72, 0.56, 0.069445334),
    CLOSE_AREA,
]


def track_row(i):
    """Song i's row in the open track list."""
    x = -0.17 if i <= 16 else 0.22
    y = 0.09 - 0.03 * (i if i <= 16 else i - 17) if i != 31 else -0.39
    return Area(f"row {i}", x, y, 0.32, 0.02)


class Screen:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.k = width / (height / 768) / 1024

    def pixel(self, x, y):
        """The window pixel of the layout point (x, y): x is divided by k here."""
        px = round((x / self.k + 1) / 2 * self.width)
        py = round((1 - y) / 2 * self.height)
        return min(max(px, 0), self.width - 1), min(max(py, 0), self.height - 1)

    def inside(self, rng, area):
        """A random pixel well inside the area, clear of its edges' rounding."""
        x = area.x + area.w * rng.uniform(0.2, 0.8)
        y = area.y + area.h * rng.uniform(0.25, 0.75)
        return self.pixel(x, y)


# ---------------------------------------------------------------------------------------------
# The script


class Script:
    def __init__(self):
        self.lines = []

    def add(self, t, event):
        self.lines.append(f"{t:.2f} {event}")

    def text(self):
        return "\n".join(self.lines) + "\n"


# Keys that do something on the player, and some that do nothing there.
PLAYER_KEYS = ["RETURN", "P", "LEFT", "RIGHT", "R", "T"]
IDLE_KEYS = ["UP", "DOWN", "SPACE", "A", "Q", "Z", "0", "7"]
SONGS_ON_DISK_MAX = 32


def write_script(seed, seconds, screen, songs):
    """Space during the intro, then random input on the player until the closing inputs: a song
    change, the credits panel, Escape. Each action ends before the next begins."""
    rng = random.Random(seed)
    script = Script()
    script.lines.append("# skip the intro, then random input on the player")
    # Anywhere in the intro but near a timed hand-over, where Space and the cue meet.
    skip = rng.uniform(1.0, 9.5)
    script.add(skip, "key press SPACE")
    t = skip + 2.0
    end = seconds - TAIL
    rows = [track_row(i) for i in range(min(songs, SONGS_ON_DISK_MAX))]

    def click(at, area):
        x, y = screen.inside(rng, area)
        script.add(at, f"click {x} {y}  # {area.name}")
        return at + 0.06

    while True:
        # Mostly a busy user; now and then a pause long enough for songs to end by themselves.
        t += rng.uniform(0.25, 3.0) if rng.random() < 0.95 else rng.uniform(10.0, 60.0)
        if t > end - 3.0:
            break
        kind = rng.choices(
            ["key", "hold", "idle key", "click", "track list", "move", "right", "drag"],
            weights=[30, 6, 4, 36, 8, 10, 3, 3])[0]
        if kind == "key":
            script.add(t, f"key press {rng.choice(PLAYER_KEYS)}")
        elif kind == "hold":
            key = rng.choice(["KP_PLUS", "KP_MINUS"])
            held = rng.uniform(0.1, 1.5)
            script.add(t, f"key down {key}")
            script.add(t + held, f"key up {key}")
            t += held
        elif kind == "idle key":
            script.add(t, f"key press {rng.choice(IDLE_KEYS)}")
        elif kind == "click":
            t = click(t, rng.choice(AREAS))
        elif kind == "track list":
            # Open the list, wait for it to come in, pick a song.
            t = click(t, AREAS[10])
            t += rng.uniform(1.1, 2.0)
            t = click(t, rng.choice(rows))
        elif kind == "move":
            x, y = rng.randrange(screen.width), rng.randrange(screen.height)
            script.add(t, f"mouse move {x} {y}")
        elif kind == "right":
            x, y = screen.inside(rng, rng.choice(AREAS))
            script.add(t, f"mouse move {x} {y}")
            script.add(t + 0.04, "mouse down right")
            script.add(t + 0.2, "mouse up right")
            t += 0.2
        elif kind == "drag":
            # A press on the background dragged along: the window may follow, nothing else.
            x, y = rng.randrange(screen.width), rng.randrange(screen.height // 8)
            script.add(t, f"mouse move {x} {y}")
            script.add(t + 0.04, "mouse down left")
            script.add(t + 0.3, f"mouse move {rng.randrange(screen.width)} {y + 5}")
            script.add(t + 0.6, "mouse up left")
            t += 0.6

    # T closes whatever panel is open, so that R then shows the credits opening (state 4).
    script.add(seconds - CLOSING_PANELS, "key press T  # closing: no panel")
    script.add(seconds - CLOSING_SONG, "key press RIGHT  # closing: the next song")
    script.add(seconds - CLOSING_CREDITS, "key press R  # closing: the credits panel")
    script.add(seconds - CLOSING_QUIT, "key press ESCAPE  # closing: quit")
    return script.text(), skip


# ---------------------------------------------------------------------------------------------
# Watching the run

T_PATTERN = re.compile(r'"t":(-?[0-9.eE+-]+)')
ACTIVE_PATTERN = re.compile(r'"active":(true|false)')
DECODER = json.JSONDecoder()


class TraceWatch:
    """Reads the trace as the program writes it and keeps only what the checks need: the show
    time, the player scene's start, every change of the player's state, the last line's scenes."""

    def __init__(self, fifo, changes_path):
        self.fifo = fifo
        self.changes_path = changes_path
        self.show_time = 0.0
        self.lines = 0
        self.player_from = None
        self.last_active = []
        self.changes = []  # (t, key, value)
        self.errors = []
        self.thread = threading.Thread(target=self.run, daemon=True)

    def run(self):
        last = {}
        with open(self.fifo, "r", encoding="utf-8") as trace, \
                open(self.changes_path, "w", encoding="utf-8") as out:
            for line in trace:
                # However a line reads, the pipe is drained: a stalled reader would stall the show.
                try:
                    self.take(line, last, out)
                except (AttributeError, ValueError) as error:
                    self.errors.append(f"pass {self.lines}: {error}")

    def take(self, line, last, out):
        t = float(T_PATTERN.search(line).group(1))
        self.show_time = t
        self.lines += 1
        self.last_active = ACTIVE_PATTERN.findall(line[:line.find("]")])
        if self.player_from is None and len(self.last_active) > 5 \
                and self.last_active[5] == "true":
            self.player_from = t
        player = DECODER.raw_decode(line, line.rindex('"player":') + 9)[0]
        changed = {k: v for k, v in player.items()
                   if k != "panelTransition" and last.get(k) != v}
        if changed:
            out.write(json.dumps({"t": t, **changed}) + "\n")
            self.changes.extend((t, k, v) for k, v in changed.items())
            last.update(changed)


def read_memory(pid):
    """VmRSS and VmHWM of the process in kB, or None when it is gone."""
    try:
        with open(f"/proc/{pid}/status", encoding="ascii") as status:
            fields = dict(line.split(":", 1) for line in status)
        return int(fields["VmRSS"].split()[0]), int(fields["VmHWM"].split()[0])
    except (OSError, KeyError, ValueError):
        return None


SANITIZER_REPORT = re.compile(
    r"ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: \w+Sanitizer")


def change_within(changes, key, after, window=REACTION):
    return [c for c in changes if c[1] == key and after < c[0] <= after + window]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--orvell", type=Path, default=ROOT / "build/asan/orvell")
    parser.add_argument("--seconds", type=float, default=3600.0)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--out", type=Path, default=ROOT / "build/soak/run")
    parser.add_argument("--mode", default="320x240")
    parser.add_argument("--record-every", type=int, default=3000)
    parser.add_argument("--data", type=Path, default=ROOT / "data")
    parser.add_argument("--suppressions", type=Path, default=ROOT / "cmake/sanitizers/lsan.supp",
                        help="LeakSanitizer suppressions for leaks inside system libraries "
                             "(used when the file exists)")
    parser.add_argument("--sample-every", type=float, default=2.0, help="wall seconds")
    parser.add_argument("--script-only", action="store_true", help="write the script and stop")
    args = parser.parse_args()
    if args.seconds < 40:
        parser.error("--seconds must leave time for the intro and the closing inputs")

    width, height = (int(v) for v in args.mode.split("x")[:2])
    args.out.mkdir(parents=True, exist_ok=True)
    for old in args.out.glob("frame-*.png"):
        old.unlink()
    # Streams are read from their files as they play: the run reads a copy that nothing changes.
    disk = args.out / "disk"
    shutil.rmtree(disk, ignore_errors=True)
    shutil.copytree(args.data, disk)
    songs = int((disk / "disk.cfg").read_text(errors="replace").split(None, 1)[0])
    script, skip = write_script(args.seed, args.seconds, Screen(width, height), songs)
    (args.out / "input.txt").write_text(script)
    if args.script_only:
        return 0

    fifo = args.out / "trace.fifo"
    if fifo.exists():
        fifo.unlink()
    os.mkfifo(fifo)
    watch = TraceWatch(fifo, args.out / "player.jsonl")
    watch.thread.start()

    env = dict(os.environ)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    # cmake/sanitizers.cmake says why the TLS interception is off.
    env["ASAN_OPTIONS"] = (
        "detect_leaks=1:abort_on_error=0:halt_on_error=1:intercept_tls_get_addr=0")
    env["UBSAN_OPTIONS"] = "print_stacktrace=1"
    if args.suppressions.exists():
        env["LSAN_OPTIONS"] = f"suppressions={args.suppressions.resolve()}"
    command = [str(args.orvell), "--no-setup", "--record", str(args.out), "--record-every",
               str(args.record_every), "--duration", f"{args.seconds:g}", "--mode", args.mode,
               "--script", str(args.out / "input.txt"), "--trace", str(fifo), "--data",
               str(disk), "--seed", str(args.seed)]
    print(" ".join(command), flush=True)
    started = time.monotonic()
    with open(args.out / "stderr.txt", "w") as stderr, open(args.out / "memory.csv", "w") as csv:
        process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=stderr)
        csv.write("wall_seconds,show_seconds,vm_rss_kb,vm_hwm_kb\n")
        samples = []
        last_report = 0.0
        while process.poll() is None:
            memory = read_memory(process.pid)
            if memory:
                wall = time.monotonic() - started
                samples.append((wall, watch.show_time, *memory))
                csv.write(f"{wall:.1f},{watch.show_time:.2f},{memory[0]},{memory[1]}\n")
                csv.flush()
                if wall - last_report >= 60:
                    last_report = wall
                    print(f"  {wall:6.0f} s wall, {watch.show_time:7.1f} s shown, "
                          f"RSS {memory[0] // 1024} MB, peak {memory[1] // 1024} MB", flush=True)
            time.sleep(args.sample_every)
        status = process.wait()
    wall = time.monotonic() - started
    watch.thread.join(timeout=30)
    fifo.unlink()

    report, failed = [], False

    def check(ok, text):
        nonlocal failed
        failed |= not ok
        report.append(f"{'ok  ' if ok else 'FAIL'} {text}")

    report.append(f"{args.seconds:g} s of show time at {args.mode}, seed {args.seed}: "
                  f"{wall:.0f} s wall, {watch.lines} passes")
    for milestone in (m for m in MILESTONES if m <= args.seconds):
        seen = [s for s in samples if s[1] <= milestone]
        if seen:
            s = seen[-1]
            report.append(f"     at {s[1]:7.1f} s shown: RSS {s[2] / 1024:.0f} MB, "
                          f"peak so far {s[3] / 1024:.0f} MB")
    if samples:
        s = samples[-1]
        report.append(f"     last sample {s[1]:7.1f} s: RSS {s[2] / 1024:.0f} MB, "
                      f"peak {s[3] / 1024:.0f} MB")

    # Flat: the second half holds no more than a tenth above the peak of the first.
    first = [x[3] for x in samples if x[1] < args.seconds / 2]
    second = [x[2] for x in samples if x[1] >= args.seconds / 2]
    if first and second:
        check(max(second) <= 1.1 * max(first),
              f"memory flat: second half's RSS {min(second) / 1024:.0f} to "
              f"{max(second) / 1024:.0f} MB, first half's peak {max(first) / 1024:.0f} MB")

    errors = (args.out / "stderr.txt").read_text(errors="replace")
    check(status == 0, f"exit status {status}")
    check(not watch.errors, f"every trace line read: {watch.errors[:3] or 'yes'}")
    check(not SANITIZER_REPORT.search(errors), "no sanitizer report on stderr (leak check at exit)")
    check(watch.player_from is not None and skip < watch.player_from <= skip + REACTION,
          f"Space at {skip:.2f} s: the player screen started at {watch.player_from}")
    song = change_within(watch.changes, "currentSong", args.seconds - CLOSING_SONG)
    check(bool(song), f"Right at {args.seconds - CLOSING_SONG:g} s changed the song: {song}")
    opened = args.seconds - CLOSING_CREDITS
    panel = [c for c in change_within(watch.changes, "panelState", opened) if c[2] == 4]
    check(bool(panel), f"R at {opened:g} s opened the credits: {panel}")
    quit_ok = watch.last_active and all(a == "false" for a in watch.last_active) \
        and watch.show_time < args.seconds - CLOSING_QUIT + 1.2
    check(bool(quit_ok), f"Escape at {args.seconds - CLOSING_QUIT:g} s ended the show at "
                         f"{watch.show_time:.2f} s")
    # Responsive throughout: every ten minutes of the player saw its state change many times.
    span = 600.0
    quiet = []
    start = watch.player_from or 0.0
    while start + span <= args.seconds - TAIL:
        count = sum(1 for c in watch.changes if start < c[0] <= start + span)
        if count < 20:
            quiet.append((start, count))
        start += span
    check(not quiet,
          f"player state changed at least 20 times in every 10 minutes: {quiet or 'yes'}")

    summary = "\n".join(report)
    (args.out / "summary.txt").write_text(summary + "\n")
    print(summary)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
