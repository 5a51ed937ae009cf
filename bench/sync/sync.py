#!/usr/bin/python3
"""The show on a desktop's sound server, measured from outside: a private sound server with a
null sink, the live program under Xvfb, and a listener on the sink's monitor that timestamps what
is heard in CLOCK_MONOTONIC, the clock of the trace's `present`.

Usage: sync.py [--build build/release] [--server pulseaudio|pipewire|all] [--keep DIR]
               [--faults | --soak SECONDS | --startup [--runs N]]

Default, the sync: the click-track disk (make_click_disk.py) at the server's default latency and
again with PULSE_LATENCY_MSEC=200 for the program, each printing
    sync: N clicks, median M ms, p95 P ms, min A ms, max B ms
where each figure is the time from the moment a click is heard at the sink to the `present` of
the first pass whose analyzer flags its beat. Within bounds when each run has at least 60 clicks,
min >= -5 ms, median <= 60 ms, p95 <= 90 ms and no click left unflagged, and the two medians lie
within 10 ms of each other. Then the fault runs, as with --faults.

--faults: a track of clicks at uneven gaps, the server killed after eight of them and started
again once the listener hears the sink (the program reaches it through a link made only then);
the show must run on (no pass over 500 ms, nothing on stderr, the analyzers flagging the clicks
played without sound), and from a second after the server answers every click must be heard
within 100 ms of where the song has reached, the clicks before the kill carried on. Then the show
with no server and no sound device (SDL given a driver it does not have): it must run on the null
output, flag the clicks and report nothing.

--soak SECONDS: the demo disk live for SECONDS beside two busy processes at normal priority;
counts the server's underflow notices to the program's stream (PulseAudio's own log) and the late
blocks of the trace's `audio` section. Within bounds when both are 0.

--startup: the time from starting the program (--no-setup) to the first non-silent sample of
song 0 at the sink, beside openmpt123 playing the same file on the same server with its
PulseAudio driver, N runs each in turn (default 5), medians printed as one line. Within bounds
when the program is at most 100 ms slower.

Exits 1 when a run is out of bounds, 2 when the harness cannot run (a server or Xvfb that does
not start, a missing build). --keep DIR keeps each run's trace, onsets and logs."""

import argparse
import json
import os
import re
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import make_click_disk

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
SINK = "orvell_sync"
MODE = "640x480"  # small: Mesa's software rasterizer keeps the passes near 20 ms
LARGE_LATENCY_MSEC = "200"
# The click disk holds a minute of clicks; the intro is skipped at once and the show ends with
# Escape after the last track.
SYNC_SCRIPT = "1.0 key press SPACE\n62.0 key press ESCAPE\n"
SKIP_INTRO = "1.0 key press SPACE\n"
# A click belongs to the first beat that starts from this long before it is heard up to this
# long before the next one: a picture up to 150 ms ahead of the sound still shows as negative.
EARLY_SECONDS = 0.15
# A click is louder than this after this long below it.
CLICK_THRESHOLD = 0.05
CLICK_GAP_MS = 200
# Any sample a step of 16-bit sound or more is a first sound, after this long of none.
SILENT = 1 / 32768
STARTUP_GAP_MS = 500

BOUNDS = {"clicks": 60, "min": -5.0, "median": 60.0, "p95": 90.0, "medians_apart": 10.0}

# The fault runs' disk: one track of clicks at uneven gaps (0.32 to 0.52 s), so that a second
# without sound is clicks missed and a few clicks in a row tell where in the track the sound is.
FAULT_TRACK = (150, 30)
FAULT_ESCAPE = 24.0  # s of show
FAULT_SCRIPT = SKIP_INTRO + f"{FAULT_ESCAPE:.1f} key press ESCAPE\n"
NO_SERVER_SCRIPT = SKIP_INTRO + "8.0 key press ESCAPE\n"
KILLED_AFTER_CLICKS = 8
OUTAGE_SECONDS = 2.0  # the least the server stays away; it and the listener take more to start
BACK_WITHIN_SECONDS = 1.0
# A click heard after the server's return lies this close to where the song has reached, the
# clicks heard before the kill carried on: what the lost server still held (its latency) is
# skipped, and the new stream has a latency of its own, each a few tens of milliseconds.
ON_THE_TRACK_SECONDS = 0.1


class HarnessError(Exception):
    """Something the measurement needs did not start; not a finding about the program."""


class Processes:
    """Every process the harness starts, ended by its own id, last started first."""

    def __init__(self):
        self.started = []

    def start(self, args, **kwargs):
        try:
            process = subprocess.Popen(args, **kwargs)
        except OSError as error:
            raise HarnessError(f"cannot start {args[0]}: {error}") from error
        self.started.append(process)
        return process

    def stop(self, process, timeout=5):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        if process in self.started:
            self.started.remove(process)

    def stop_all(self):
        for process in reversed(list(self.started)):
            self.stop(process)


def wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.05)
    raise HarnessError(f"{what} did not come up within {seconds} s")


class SoundServer:
    """A private PulseAudio, or PipeWire with its PulseAudio service, in a runtime folder of its
    own (0700), with the null sink SINK as the default sink."""

    def __init__(self, kind, folder, processes, debug_log=False):
        self.kind = kind
        self.processes = processes
        self.runtime = folder / "runtime"
        self.home = folder / "home"
        self.log = folder / f"{kind}.log"
        self.runtime.mkdir(mode=0o700)
        self.home.mkdir(mode=0o700)
        self.debug_log = debug_log
        self.client_config = self.runtime / "client.conf"
        # No client may start a server of its own when this one is gone.
        self.client_config.write_text("autospawn = no\n")

    def server_env(self):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("PULSE_") and k not in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY")}
        env.update(XDG_RUNTIME_DIR=str(self.runtime), HOME=str(self.home))
        if self.kind == "pipewire":
            env["DBUS_SESSION_BUS_ADDRESS"] = f"unix:path={self.runtime / 'bus'}"
        return env

    def client_env(self):
        env = {k: v for k, v in os.environ.items() if not k.startswith("PULSE_")}
        env.update(XDG_RUNTIME_DIR=str(self.runtime),
                   PULSE_SERVER=f"unix:{self.runtime / 'pulse' / 'native'}",
                   PULSE_CLIENTCONFIG=str(self.client_config))
        cookie = self.home / ".config" / "pulse" / "cookie"
        if self.kind == "pulseaudio":
            env["PULSE_COOKIE"] = str(cookie)
        return env

    def pactl(self, *args):
        return subprocess.run(["pactl", *args], env=self.client_env(), capture_output=True,
                              text=True, timeout=10)

    def start(self):
        # The log's times count from about here; a server started again writes on after the log
        # of the one before.
        self.started = time.monotonic()
        with open(self.log, "a") as log:
            self.own = self.start_processes(self.server_env(), log)
        wait_for(lambda: self.pactl("info").returncode == 0, 15, f"the {self.kind} server")
        if self.kind == "pipewire":
            loaded = self.pactl("load-module", "module-null-sink", f"sink_name={SINK}")
            if loaded.returncode != 0:
                raise HarnessError(f"pipewire-pulse refused the null sink: {loaded.stderr}")
            wait_for(lambda: SINK in self.pactl("list", "short", "sinks").stdout, 10,
                     "the null sink")
            self.pactl("set-default-sink", SINK)

    def kill(self):
        """The server gone at once, as when it crashes: no client is told beforehand."""
        for process in reversed(self.own):
            process.kill()
            self.processes.stop(process)

    def start_processes(self, env, log):
        if self.kind == "pulseaudio":
            return [self.processes.start(
                ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                 f"--load=module-null-sink sink_name={SINK}", "--load=module-native-protocol-unix",
                 "--log-target=stderr", "--log-time=1",
                 "--log-level=" + ("debug" if self.debug_log else "notice")],
                env=env, stdout=log, stderr=log)]
        bus = self.runtime / "bus"
        bus.unlink(missing_ok=True)  # left by a bus that was killed
        started = [self.processes.start(["dbus-daemon", "--session", "--nofork",
                                         f"--address=unix:path={bus}"],
                                        env=env, stdout=log, stderr=log)]
        wait_for(bus.exists, 10, "the session bus")
        return started + [self.processes.start([program], env=env, stdout=log, stderr=log)
                          for program in ("pipewire", "wireplumber", "pipewire-pulse")]

    def describe(self):
        info = self.pactl("info").stdout
        name = re.search(r"Server Name: (.*)", info)
        version = re.search(r"Server Version: (.*)", info)
        if self.kind == "pipewire" and name:
            return name.group(1).strip()
        return f"{name.group(1).strip() if name else self.kind} " \
               f"{version.group(1).strip() if version else ''}".strip()

    def underflows(self):
        """PulseAudio's notices of a playback stream run dry, from its debug log: one for each
        underflow it sends to the client, as the CLOCK_MONOTONIC time it was logged at."""
        log = self.log.read_text(errors="replace")
        return [self.started + float(at) for at in
                re.findall(r"\(\s*([0-9.]+)\|[^)]*\).*(?:Implicit|Actual) underrun of '", log)]


def start_xvfb(processes, folder):
    read_end, write_end = os.pipe()
    with open(folder / "xvfb.log", "w") as log:
        processes.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                         "-nolisten", "tcp"], pass_fds=(write_end,), stdout=log, stderr=log)
    os.close(write_end)
    # Xvfb writes the number and the line feed apart, and dies when the line feed finds the pipe
    # closed: read the whole line.
    written, deadline = b"", time.monotonic() + 15
    while not written.endswith(b"\n") and time.monotonic() < deadline:
        ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.monotonic()))
        chunk = os.read(read_end, 64) if ready else b""
        if not chunk:
            break
        written += chunk
    os.close(read_end)
    if not written.endswith(b"\n"):
        raise HarnessError("Xvfb did not start")
    return f":{written.decode().strip()}"


class Listener:
    """bench/sync's sink_listener on the null sink's monitor, for a whole session: while it
    records, the sink keeps the short latency it asks for (with nobody asking, PulseAudio's null
    sink renders up to two seconds ahead, and a stream that starts then is heard that late), so
    what the programs measured ask for is what they get."""

    def __init__(self, build, server, processes, threshold, gap_ms):
        program = build / "bench" / "sync" / "sink_listener"
        if not program.exists():
            raise HarnessError(f"{program} is not built")
        self.processes = processes
        self.errors = open(server.log.with_name("listener.log"), "w+")
        self.process = processes.start([str(program), "--source", f"{SINK}.monitor",
                                        "--threshold", str(threshold), "--gap-ms", str(gap_ms)],
                                       env=server.client_env(), stdout=subprocess.PIPE,
                                       stderr=self.errors)
        self.pending = b""
        if self.line(15) != "ready":
            self.processes.stop(self.process)
            self.errors.seek(0)
            raise HarnessError(f"the listener did not start: {self.errors.read()}")

    def line(self, seconds):
        """The next line, or None when none comes within seconds or the listener has ended.
        Read unbuffered, so that select sees every line not returned yet."""
        deadline = time.monotonic() + seconds
        while b"\n" not in self.pending:
            ready, _, _ = select.select([self.process.stdout], [], [],
                                        max(0.0, deadline - time.monotonic()))
            chunk = os.read(self.process.stdout.fileno(), 65536) if ready else b""
            if not chunk:
                return None
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode().strip()

    def onset(self, seconds):
        """The time of the next sound heard within seconds, or None."""
        deadline = time.monotonic() + seconds
        while (line := self.line(max(0.0, deadline - time.monotonic()))) is not None:
            if line.startswith("onset "):
                return float(line.split()[1])
        return None

    def onsets(self, seconds):
        """Every sound heard from now until nothing more comes for seconds."""
        heard = []
        while (heard_at := self.onset(seconds)) is not None:
            heard.append(heard_at)
        return heard


def program_env(server, display, latency_msec=None):
    env = server.client_env()
    env["DISPLAY"] = display
    env.pop("SDL_AUDIODRIVER", None)
    if latency_msec:
        env["PULSE_LATENCY_MSEC"] = latency_msec
    return env


def start_program(build, data, env, folder, script, processes):
    """The live program, started; its trace is folder/trace.jsonl, its stderr folder/orvell.stderr."""
    script_file = folder / "input.txt"
    script_file.write_text(script)
    with open(folder / "orvell.stderr", "w") as errors:
        return processes.start([str(build / "orvell"), "--no-setup", "--batch", "--mode", MODE,
                                "--data", str(data), "--trace", str(folder / "trace.jsonl"),
                                "--script", str(script_file)], env=env,
                               stdout=subprocess.DEVNULL, stderr=errors)


def finish_program(process, folder, processes, seconds):
    """Waits for the program started by start_program to end; returns its trace's path."""
    try:
        status = process.wait(seconds)
    except subprocess.TimeoutExpired:
        processes.stop(process)
        raise HarnessError(f"the program did not end within {seconds} s") from None
    processes.stop(process)
    if status != 0:
        raise HarnessError(f"the program exited with status {status}: "
                           f"{(folder / 'orvell.stderr').read_text()[-500:]}")
    return folder / "trace.jsonl"


def run_program(build, data, env, folder, script, processes, seconds):
    """The live program to its end; returns its trace's path."""
    process = start_program(build, data, env, folder, script, processes)
    return finish_program(process, folder, processes, seconds)


def click_disk(folder, *tempos):
    """make_click_disk.py's disk in folder/disk: its own tempos, or the given BPM:SECONDS."""
    disk = folder / "disk"
    subprocess.run([sys.executable, str(HERE / "make_click_disk.py"), str(ROOT / "data"),
                    str(disk), *tempos], check=True)
    return disk


def read_trace(trace):
    """Each pass of a trace with only what the harness reads (`t`, `present`, each analyzer's
    `beats`, `audio`): a long run's trace holds gigabytes of drawing."""
    kept = []
    with open(trace) as lines:
        for line in lines:
            if line.strip():
                entry = json.loads(line)
                kept.append({key: entry[key] for key in ("t", "present", "analyzers", "audio")
                             if key in entry})
                for run in kept[-1].get("analyzers") or []:
                    run.pop("spectrum", None)
    return kept


def beat_starts(passes):
    """The `present` of every pass where an analyzer flags a beat after a run of it flagging
    none, and the span of presents over which the analyzers ran."""
    starts, span, flagging = [], None, False
    for entry in passes:
        runs = entry.get("analyzers") or []
        if not runs:
            continue
        if "present" not in entry:
            raise HarnessError("the trace has no `present`: this build does not time its Presents")
        present = entry["present"]
        span = (span[0] if span else present, present)
        flagged = any(any(run["beats"]) for run in runs)
        if flagged and not flagging:
            starts.append(present)
        flagging = flagged
    return starts, span


def match_clicks(onsets, starts, span):
    """For each click heard while the analyzers ran, the time from it to the first beat start
    that belongs to it, in ms; and how many such clicks no beat start belongs to."""
    delays, missed = [], 0
    for i, heard in enumerate(onsets):
        if span is None or heard - EARLY_SECONDS < span[0] or heard + 0.5 > span[1]:
            continue
        until = onsets[i + 1] - EARLY_SECONDS if i + 1 < len(onsets) else span[1]
        mine = [start for start in starts if heard - EARLY_SECONDS <= start < until]
        if mine:
            delays.append(1000 * (mine[0] - heard))
        else:
            missed += 1
    return delays, missed


def summarize(delays):
    ordered = sorted(delays)
    p95 = statistics.quantiles(ordered, n=20, method="inclusive")[18] if len(ordered) > 1 \
        else ordered[0]
    return {"clicks": len(ordered), "median": statistics.median(ordered), "p95": p95,
            "min": ordered[0], "max": ordered[-1]}


def sync_line(figures):
    return (f"sync: {figures['clicks']} clicks, median {figures['median']:.1f} ms, "
            f"p95 {figures['p95']:.1f} ms, min {figures['min']:.1f} ms, "
            f"max {figures['max']:.1f} ms")


def sync_faults(figures, missed):
    faults = []
    if figures["clicks"] < BOUNDS["clicks"]:
        faults.append(f"only {figures['clicks']} clicks")
    if missed:
        faults.append(f"{missed} clicks heard but never flagged")
    for key in ("min", "median", "p95"):
        beyond = figures[key] < BOUNDS[key] if key == "min" else figures[key] > BOUNDS[key]
        if beyond:
            faults.append(f"{key} {figures[key]:.1f} ms beyond {BOUNDS[key]:g} ms")
    return faults


def machine_load():
    """The machine's load beside a figure: real-time figures mean little on a machine with
    more runnable processes than cores."""
    return f"load {os.getloadavg()[0]:.1f} on {os.cpu_count()} cores"


def measure_sync(args, server, display, processes, listener, folder, latency_msec):
    disk = click_disk(folder)
    listener.onsets(0)  # whatever was heard before
    passes = read_trace(run_program(args.build, disk, program_env(server, display, latency_msec),
                                    folder, SYNC_SCRIPT, processes, 180))
    onsets = listener.onsets(0.5)
    (folder / "onsets.txt").write_text("".join(f"{t:.6f}\n" for t in onsets))
    late = passes[-1].get("audio", {}).get("underruns", 0) if passes else 0
    if late:
        print(f"sync: the program reports {late} late blocks or underflows in this run",
              file=sys.stderr)
    starts, span = beat_starts(passes)
    delays, missed = match_clicks(onsets, starts, span)
    if not delays:
        raise HarnessError(f"no click was heard while the analyzers ran ({len(onsets)} heard)")
    return summarize(delays), missed


def sync(args, server, display, processes, scratch):
    listener = Listener(args.build, server, processes, CLICK_THRESHOLD, CLICK_GAP_MS)
    medians, failed = [], False
    for label, latency in (("the server's default latency", None),
                           (f"PULSE_LATENCY_MSEC={LARGE_LATENCY_MSEC}", LARGE_LATENCY_MSEC)):
        folder = scratch / ("sync-" + (latency or "default"))
        folder.mkdir()
        print(f"== sync on {server.describe()}, {label} ({machine_load()})", flush=True)
        figures, missed = measure_sync(args, server, display, processes, listener, folder,
                                       latency)
        print(sync_line(figures), flush=True)
        faults = sync_faults(figures, missed)
        for fault in faults:
            print(f"sync: out of bounds: {fault}", file=sys.stderr)
        failed = failed or bool(faults)
        medians.append(figures["median"])
    apart = abs(medians[0] - medians[1])
    if apart > BOUNDS["medians_apart"]:
        print(f"sync: out of bounds: the medians lie {apart:.1f} ms apart", file=sys.stderr)
        failed = True
    print(f"== sync: medians {apart:.1f} ms apart; {'OUT OF BOUNDS' if failed else 'within bounds'}")
    return not failed


def busy_hogs(processes, count=2):
    return [processes.start([sys.executable, "-c", "while True: pass"]) for _ in range(count)]


def soak(args, server, display, processes, scratch):
    folder = scratch / "soak"
    folder.mkdir()
    print(f"== soak on {server.describe()}: {args.soak:g} s live beside two busy processes "
          f"({machine_load()})", flush=True)
    hogs = busy_hogs(processes)
    # Escape ends the show on the player screen; the wait's time-out is only a safety net.
    script = SKIP_INTRO + f"{args.soak:.1f} key press ESCAPE\n"
    try:
        trace = run_program(args.build, ROOT / "data", program_env(server, display), folder,
                            script, processes, args.soak * 3 + 120)
    finally:
        for hog in hogs:
            processes.stop(hog)
    passes = read_trace(trace)
    audio = passes[-1].get("audio", {})
    late = int(audio.get("underruns", 0))
    underflows = server.underflows()  # the program's stream is the only one playing
    ours = len(underflows)
    show = passes[-1]["t"]
    print(f"soak: {show:.0f} s of show, {ours} server underflows, {late} late blocks of "
          f"{audio.get('blocks', 0)}, longest mix {1000 * audio.get('longestMix', 0):.2f} ms")
    presented = [p for p in passes if "present" in p]
    if underflows and presented:
        # Show time of the pass presented last before each, to tell a start or an end from a run.
        times = [max((p for p in presented if p["present"] <= at), key=lambda p: p["present"],
                     default=presented[0])["t"] for at in underflows]
        print("soak: server underflows at " + ", ".join(f"{t:.1f}" for t in times) +
              " s of show", file=sys.stderr)
    if server.kind != "pulseaudio":
        print("soak: the server's underflow notices are only counted on PulseAudio",
              file=sys.stderr)
    return ours == 0 and late == 0


def fault_clicks():
    """The song time of each click of the fault runs' track."""
    return [start / make_click_disk.RATE
            for start in make_click_disk.click_starts(*FAULT_TRACK, irregular=True)]


def track_offset(heard, clicks):
    """Where the track was heard from: the median of each time heard less its click's song time,
    the clicks heard in a row from the track's first; and the most one of them lies from it."""
    offsets = [h - c for h, c in zip(heard, clicks)]
    middle = statistics.median(offsets)
    return middle, max(abs(o - middle) for o in offsets)


def off_the_track(heard, clicks, offset):
    """How far each time heard lies from the nearest click of the track heard from offset."""
    return [min((h - offset - c for c in clicks), key=abs) for h in heard]


def clicks_between(clicks, offset, since, until):
    """The times the clicks of the track heard from offset fall due from since up to until."""
    return [offset + c for c in clicks if since <= offset + c <= until]


def comeback_faults(clicks, offset, heard, since, until):
    """What is wrong with the clicks heard after a server came back: every click due from since
    up to until heard, and each where the song has reached."""
    faults = []
    off = [abs(d) for d in off_the_track(heard, clicks, offset) if abs(d) > ON_THE_TRACK_SECONDS]
    if off:
        faults.append(f"{len(off)} clicks heard away from where the song had reached, up to "
                      f"{1000 * max(off):.0f} ms")
    missing = [due for due in clicks_between(clicks, offset, since, until)
               if not any(abs(h - due) <= ON_THE_TRACK_SECONDS for h in heard)]
    if missing:
        faults.append(f"{len(missing)} clicks not heard, the first {missing[0] - since:.2f} s "
                      "after sound was due back")
    return faults


def program_faults(folder, passes):
    """What the program must not do when its sound goes: report it, or stop presenting."""
    faults = []
    reported = (folder / "orvell.stderr").read_text().strip()
    if reported:
        faults.append(f"the program reported: {reported[:300]}")
    presents = [p["present"] for p in passes if "present" in p]
    longest = max((b - a for a, b in zip(presents, presents[1:])), default=0.0)
    if longest > 0.5:
        faults.append(f"a pass of {1000 * longest:.0f} ms")
    return faults, longest


def server_killed(args, server, display, processes, scratch):
    """The server killed mid-show and started again: the show runs on without sound, the sound
    comes back where the song has reached."""
    folder = scratch / "faults-killed"
    folder.mkdir()
    disk = click_disk(folder, "%d:%g:irregular" % FAULT_TRACK)
    clicks = fault_clicks()
    # The program reaches the server through a link of its own, made only once the listener
    # hears the sink again: the sink then already plays at the short latency the listener asks
    # for (see Listener), as it did before the kill.
    link = server.runtime / "program-server"
    socket = server.runtime / "pulse" / "native"
    link.symlink_to(socket)
    env = program_env(server, display)
    env["PULSE_SERVER"] = f"unix:{link}"
    listener = Listener(args.build, server, processes, CLICK_THRESHOLD, CLICK_GAP_MS)
    process = start_program(args.build, disk, env, folder, FAULT_SCRIPT, processes)
    before = []
    while len(before) < KILLED_AFTER_CLICKS:
        heard = listener.onset(15)
        if heard is None:
            processes.stop(process)
            raise HarnessError(f"the program was heard only {len(before)} times before the kill")
        before.append(heard)
    server.kill()
    link.unlink()
    killed = time.monotonic()
    processes.stop(listener.process)
    time.sleep(OUTAGE_SECONDS)
    server.start()
    listener = Listener(args.build, server, processes, CLICK_THRESHOLD, CLICK_GAP_MS)
    link.symlink_to(socket)
    answered = time.monotonic()
    passes = read_trace(finish_program(process, folder, processes, 60))
    after = listener.onsets(0.5)
    processes.stop(listener.process)
    (folder / "onsets.txt").write_text("".join(f"{t:.6f}\n" for t in before + after))

    offset, spread = track_offset(before, clicks)
    if spread > 0.01:
        raise HarnessError(f"the clicks heard before the kill are not the track's first "
                           f"({1000 * spread:.0f} ms from where they belong)")
    faults, longest = program_faults(folder, passes)
    # The analyzer flags the clicks the song plays while nothing is heard.
    starts, span = beat_starts(passes)
    silent = clicks_between(clicks, offset, killed + EARLY_SECONDS, answered - 0.5)
    _, unflagged = match_clicks(silent, starts, span)
    if unflagged:
        faults.append(f"{unflagged} of {len(silent)} clicks without sound not flagged")
    escape = next((p["present"] for p in passes if p["t"] >= FAULT_ESCAPE and "present" in p), None)
    if escape is None:
        raise HarnessError("the trace ends before the Escape")
    due = answered + BACK_WITHIN_SECONDS
    faults += comeback_faults(clicks, offset, after, due, escape - 0.2)
    show = next((p["t"] for p in passes if p.get("present", 0) >= killed), 0.0)
    off = off_the_track(after, clicks, offset)
    print(f"faults: server killed at {show:.1f} s of show for {answered - killed:.1f} s: "
          f"{len(silent) - unflagged} of {len(silent)} clicks without sound flagged, longest pass "
          f"{1000 * longest:.0f} ms; first click heard "
          + (f"{after[0] - answered:.2f} s after the server answered, {len(after)} since, "
             f"{1000 * min(off):+.0f} to {1000 * max(off):+.0f} ms from where the song had "
             "reached" if after else "never"), flush=True)
    return faults


def no_server_at_start(args, server, display, processes, scratch):
    """No server and no sound card when the program starts: the show on the null output."""
    folder = scratch / "faults-none"
    folder.mkdir()
    disk = click_disk(folder, "%d:%g:irregular" % FAULT_TRACK)
    server.kill()
    env = program_env(server, display)
    env["SDL_AUDIODRIVER"] = "orvell_no_such_card"  # SDL finds no device to open
    passes = read_trace(run_program(args.build, disk, env, folder, NO_SERVER_SCRIPT, processes,
                                    60))
    faults, longest = program_faults(folder, passes)
    starts, span = beat_starts(passes)
    # The analyzers run from the skip of the intro to the Escape, on the clicks the song plays.
    played = [c for c in fault_clicks() if span and c < span[1] - span[0]]
    if len(starts) < len(played) - 2:
        faults.append(f"{len(starts)} clicks flagged of about {len(played)}")
    print(f"faults: no server and no sound card: {passes[-1]['t']:.1f} s of show, "
          f"{len(starts)} clicks flagged, longest pass {1000 * longest:.0f} ms", flush=True)
    return faults


def fault_runs(args, server, display, processes, scratch):
    print(f"== faults on {server.describe()} ({machine_load()})", flush=True)
    found = server_killed(args, server, display, processes, scratch)
    found += no_server_at_start(args, server, display, processes, scratch)
    for fault in found:
        print(f"faults: out of bounds: {fault}", file=sys.stderr)
    print(f"== faults: {'OUT OF BOUNDS' if found else 'survived'}", flush=True)
    return not found


def startup(args, server, display, processes, scratch):
    print(f"== startup on {server.describe()}: the first sound of song 0 at the sink, "
          f"{args.runs} runs each ({machine_load()})", flush=True)
    song = ROOT / "data" / "music" / "first_light.mod"
    commands = {
        "orvell": [str(args.build / "orvell"), "--no-setup", "--batch", "--data",
                   str(ROOT / "data")],
        "openmpt123": ["openmpt123", "--quiet", "--batch", "--driver", "pulseaudio", str(song)],
    }
    listener = Listener(args.build, server, processes, SILENT, STARTUP_GAP_MS)
    env = program_env(server, display)
    times = {name: [] for name in commands}
    for _ in range(args.runs):
        for name, command in commands.items():
            # The sink is quiet again when the next start is timed.
            listener.onsets(STARTUP_GAP_MS / 1000)
            errors = scratch / f"{name}.stderr"
            start = time.monotonic()
            with open(errors, "a") as log:
                process = processes.start(command, env=env, stdout=subprocess.DEVNULL,
                                          stderr=log, stdin=subprocess.DEVNULL)
            heard = listener.onset(30)
            processes.stop(process)
            if heard is None:
                raise HarnessError(f"{name} was not heard within 30 s: "
                                   f"{errors.read_text()[-300:]}")
            times[name].append(1000 * (heard - start))
    ours, theirs = (statistics.median(times[name]) for name in commands)
    print(f"startup: orvell {ours:.0f} ms, openmpt123 {theirs:.0f} ms to the first sound of "
          f"song 0 (median of {args.runs}; orvell {ours - theirs:+.0f} ms)")
    for name in commands:
        print(f"startup: {name} " + ", ".join(f"{t:.0f}" for t in times[name]) + " ms",
              file=sys.stderr)
    return ours - theirs <= 100


def pipewire_installed():
    return all(shutil.which(p) for p in ("pipewire", "wireplumber", "pipewire-pulse",
                                         "dbus-daemon"))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", type=Path, default=ROOT / "build" / "release")
    parser.add_argument("--server", choices=["pulseaudio", "pipewire", "all"],
                        default="pulseaudio")
    mode = parser.add_mutually_exclusive_group()
    mode.add_argument("--soak", type=float, metavar="SECONDS")
    mode.add_argument("--startup", action="store_true")
    mode.add_argument("--faults", action="store_true")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--keep", type=Path, metavar="DIR")
    args = parser.parse_args()
    args.build = args.build.resolve()
    if not (args.build / "orvell").exists():
        print(f"sync: {args.build / 'orvell'} is not built", file=sys.stderr)
        return 2
    kinds = ["pulseaudio", "pipewire"] if args.server == "all" else [args.server]
    if "pipewire" in kinds and not pipewire_installed():
        print("sync: PipeWire is not installed (tools/install-deps.sh)", file=sys.stderr)
        return 2

    ok = True
    for kind in kinds:
        processes = Processes()
        scratch = Path(tempfile.mkdtemp(prefix=f"orvell-sync-{kind}-"))
        try:
            server = SoundServer(kind, scratch, processes, debug_log=args.soak is not None)
            server.start()
            display = start_xvfb(processes, scratch)
            runs = [soak] if args.soak else [startup] if args.startup else \
                [fault_runs] if args.faults else [sync, fault_runs]
            for run in runs:
                ok = run(args, server, display, processes, scratch) and ok
        except HarnessError as error:
            print(f"sync: {error}", file=sys.stderr)
            return 2
        finally:
            processes.stop_all()
            if args.keep:
                shutil.copytree(scratch, args.keep / kind, dirs_exist_ok=True,
                                ignore=shutil.ignore_patterns("runtime", "home", "disk"))
            shutil.rmtree(scratch, ignore_errors=True)
    return 0 if ok else 1


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(2))
    sys.exit(main())
