# Turns a song of the score into sound sample by sample: our instruments, placed in the stereo
# field with a room around them and an echo on the lead, mixed and encoded with Debian's oggenc or
# flac. Every encoder setting that could vary between runs is pinned, so the bytes never change.
import shutil
import subprocess
import sys
import tempfile
import wave
from pathlib import Path

import numpy as np

import music_synth as synth
from score import STEPS_PER_BAR


def envelope(count, rate, attack, release_at, release, level=None):
    """Rises linearly over attack seconds, follows level (1 if None), and falls linearly to
    silence over release seconds from sample release_at."""
    n = np.arange(count)
    rise = np.clip(n / max(1.0, attack * rate), 0.0, 1.0)
    fall = np.clip(1.0 - (n - release_at) / max(1.0, release * rate), 0.0, 1.0)
    return rise * fall * (1.0 if level is None else level)


def stream_note(kind, hz, held, rate):
    """One note of an instrument, held for held samples, with its release after."""
    if kind in ("saw_bass", "round_bass"):
        count = held + int(0.06 * rate)
        t = np.arange(count) / rate
        if kind == "saw_bass":
            bright = 0.72 + 0.2 * synth.decay(t, 0.06)
            wave = synth.additive(hz * t, hz, synth.saw, rate, brightness=bright, limit=40)
        else:
            wave = synth.sin_cycles(hz * t) + 0.35 * synth.additive(
                hz * t, hz, synth.saw, rate, brightness=0.5 + 0.3 * synth.decay(t, 0.05), limit=12)
        level = 0.55 + 0.45 * synth.decay(t, 0.12)
        return wave * envelope(count, rate, 0.004, held, 0.06, level) * 0.28
    if kind in ("pulse_lead", "flute_lead"):
        count = held + int(0.15 * rate)
        t = np.arange(count) / rate
        # Vibrato comes in after a fifth of a second, as a singer's would.
        depth = 0.005 * np.clip((t - 0.2) / 0.3, 0.0, 1.0)
        phase = synth.phase_of(hz * (1.0 + depth * synth.sin_cycles(5.5 * t)), rate)
        if kind == "pulse_lead":
            wave = synth.additive(phase, hz, synth.pulse(0.3), rate, brightness=0.86, limit=24)
        else:
            breath = 0.04 * synth.box_lowpass(synth.noise(count, 31), 8) * synth.decay(t, 0.05)
            wave = synth.additive(phase, hz, synth.mellow, rate, limit=10) + breath
        level = 0.6 + 0.4 * synth.decay(t, 0.15)
        return wave * envelope(count, rate, 0.006, held, 0.15, level) * 0.45
    if kind == "pluck":
        count = held + int(0.25 * rate)
        t = np.arange(count) / rate
        bright = 0.55 + 0.37 * synth.decay(t, 0.05)
        wave = synth.additive(hz * t, hz, synth.pulse(0.42), rate, brightness=bright, limit=30)
        wave += 0.5 * synth.additive(hz * 1.004 * t, hz, synth.saw, rate, brightness=bright,
                                     limit=30)
        return wave * synth.decay(t, 0.16) * envelope(count, rate, 0.002, held, 0.25) * 0.4
    if kind == "bell":
        count = held + int(1.2 * rate)
        t = np.arange(count) / rate
        return synth.bell_partials(t, hz) * envelope(count, rate, 0.001, held, 1.2) * 0.3
    if kind == "pad":
        count = held + int(0.8 * rate)
        t = np.arange(count) / rate
        # Three sawtooths a few cents apart beat slowly against each other; the mellow tone
        # underneath keeps the chord round.
        wave = synth.additive(hz * t, hz, synth.mellow, rate, limit=12)
        for detune in (0.996, 1.0, 1.005):
            wave += 0.22 * synth.additive(hz * detune * t, hz, synth.saw, rate, brightness=0.78,
                                          limit=18)
        return wave * envelope(count, rate, 0.45, held, 0.8) * 0.1
    raise ValueError(f"no stream instrument {kind}")


DRUMS = {"kick": lambda rate: synth.kick(rate, seed=21),
         "snare": lambda rate: synth.snare(rate, seed=22),
         "hat": lambda rate: synth.hat(rate, seed=23) * 0.25,
         "open_hat": lambda rate: synth.hat(rate, seed=24, seconds=0.35, half_life=0.08) * 0.14,
         "crash": lambda rate: synth.crash(rate, seed=25) * 0.16}

# Per part: level, place (-1 left to 1 right) and how much of it goes into the room.
# The kick owns the lowest 300 Hz, where the beat detector listens; the bass sits under it and
# the chords and the tune fill everything above.
MIX = {"kick": (1.0, 0.0, 0.05), "snare": (0.5, 0.1, 0.3), "hat": (1.0, 0.35, 0.05),
       "open_hat": (1.0, 0.35, 0.1), "crash": (1.0, -0.3, 0.2), "bass": (0.6, 0.0, 0.0),
       "lead": (1.3, -0.15, 0.35), "counter": (0.8, 0.4, 0.4), "arp": (0.9, 0.45, 0.35),
       "bell": (0.8, -0.4, 0.5), "pad0": (2.0, -0.5, 0.5), "pad1": (2.0, 0.0, 0.5),
       "pad2": (2.0, 0.5, 0.5)}
DUCKED = ("bass", "pad0", "pad1", "pad2", "arp")
# The master: the loudness of the modules' mix at its fullest, with the peaks held below a
# ceiling that leaves room for the ringing of lossy encoding and of the player's resampling, so
# that no decoded sample clips or comes within 1 dB of full scale.
STREAM_RMS = 0.2        # -14 dBFS
STREAM_CEILING = 0.7    # -3.1 dBFS
LIMITER_SECONDS = 0.004  # how far ahead the limiter sees a peak coming, and how fast it lets go


def pan_gains(position):
    """Constant-power gains (left, right) for position -1 (left) to 1 (right)."""
    angle = (position + 1.0) / 8.0
    return float(synth.sin_cycles(angle + 0.25)), float(synth.sin_cycles(angle))


def render_stream(song, rate, tail_seconds=3.0, room=1.0):
    """The song mixed to stereo at rate, its peak at 1."""
    def start_of(step):
        return step * rate * 15 // song.bpm  # in whole samples, exactly: no rounding drifts

    total = start_of(song.steps) + int(tail_seconds * rate)
    mix = np.zeros((2, total))
    send = np.zeros(total)
    drums = {kind: make(rate) for kind, make in DRUMS.items()}
    # Bass and pad duck under each kick and swell back, so the kick owns the low end when it
    # hits: the pumping of dance music, and what lets a beat detector hear the beat.
    ducking = np.ones(total)
    t = np.arange(int(0.3 * rate)) / rate
    dip = 1.0 - 0.9 * np.clip(t / 0.003, 0.0, 1.0) * synth.decay(t, 0.08)
    for note in song.parts["kick"]:
        at = start_of(note.step)
        span = min(len(dip), total - at)
        ducking[at:at + span] = np.minimum(ducking[at:at + span], dip[:span])
    made = {}
    for part, notes in song.sorted_parts().items():
        kind = song.sounds.get(part, part.rstrip("0123456789"))
        track = np.zeros(total)
        for note in notes:
            at = start_of(note.step)
            if kind in drums:
                sound = drums[kind]
            else:
                held = start_of(note.step + note.length) - at
                key = (kind, note.pitch, held)
                if key not in made:  # songs repeat themselves: each note is made once
                    made[key] = stream_note(kind, float(synth.midi_hz(note.pitch)), held, rate)
                sound = made[key]
            sound = sound[:total - at] * note.velocity
            track[at:at + len(sound)] += sound
        if part == "lead":
            # A dotted-eighth echo that bounces between the sides.
            delay, gain = start_of(3), 0.3
            for tap in range(1, 6):
                mix[tap % 2, tap * delay:] += track[:total - tap * delay] * gain
                gain *= 0.45
        if part in DUCKED:
            track = track * ducking
        level, place, wet = MIX[part]
        left, right = pan_gains(place)
        mix[0] += track * level * left
        mix[1] += track * level * right
        send += track * level * wet
    mix += 0.5 * synth.reverb(send, rate, size=room)
    # The last bar and the tail fade out, so the song ends in silence.
    fade_from = start_of(song.steps - STEPS_PER_BAR // 2)
    fade = np.clip(1.0 - (np.arange(total) - fade_from) / (total - fade_from), 0.0, 1.0)
    return synth.normalized(mix * fade ** 2)


def sliding_max(x, width):
    """The largest of x[n - width] to x[n + width] at every n, by doubling spans."""
    out = x.copy()
    span = 1
    while span <= width:
        step = min(span, width + 1 - span)
        shifted = np.maximum(np.concatenate((out[step:], np.full(step, out[-1]))),
                             np.concatenate((np.full(step, out[0]), out[:-step])))
        out = np.maximum(out, shifted)
        span += step
    return out


def limited(channels, rate):
    """Holds the peaks at STREAM_CEILING by a look-ahead limiter: the gain each sample needs,
    the lowest of it within the limiter's time either side, smoothed by a mean over half that
    span either side. Every low in the mean covers the sample, so none is let over."""
    width = int(LIMITER_SECONDS * rate)
    half = width // 2
    need = np.minimum(1.0, STREAM_CEILING / np.maximum(np.abs(channels).max(axis=0), 1e-12))
    lows = -sliding_max(-need, width)
    gain = synth.box_lowpass(np.concatenate((lows, np.full(half, lows[-1]))), 2 * half + 1)
    return channels * gain[half:]


def mastered(channels, rate):
    """The mix brought to STREAM_RMS and limited; limiting takes a little loudness away, which
    two more rounds of gain and limiting make up."""
    for _ in range(3):
        channels = limited(channels * (STREAM_RMS / np.sqrt(np.mean(channels ** 2))), rate)
    return channels


def write_wav(path, channels, rate):
    """16-bit PCM; channels is one row of samples per channel, peak 1 at most."""
    pcm = synth.to_int16(channels).T.copy()
    with wave.open(str(path), "wb") as out:
        out.setnchannels(len(channels))
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(pcm.astype("<i2").tobytes())


def encode_stream(song, path):
    """Renders the song and encodes it by its file's extension. The encoders are given
    everything that would otherwise vary: oggenc's stream serial number is random unless set,
    and FLAC here uses fixed predictors only, whose choice is integer arithmetic (its LPC
    analysis runs in floating point along paths that depend on the CPU, and gains this music
    about 1 %)."""
    with tempfile.TemporaryDirectory() as scratch:
        wav = Path(scratch) / "song.wav"
        if path.suffix == ".ogg":
            write_wav(wav, mastered(render_stream(song, 44100), 44100), 44100)
            command = ["oggenc", "--quiet", "--serial", "1", "--quality", "4",
                       "--title", song.title, "--artist", "Tomas Vey", "--output", str(path),
                       str(wav)]
        elif path.suffix == ".flac":
            # Losslessly, this music takes about 100 kB a second in stereo at 44.1 kHz and still
            # 58 in stereo at 22.05 kHz; in mono at 22.05 kHz it takes 31, so a song of a minute
            # and a quarter fits in 2.5 MB. The player turns it into stereo and resamples it.
            stereo = render_stream(song, 22050)
            write_wav(wav, mastered(0.5 * (stereo[:1] + stereo[1:]), 22050), 22050)
            command = ["flac", "--silent", "--force", "--compression-level-8",
                       "--max-lpc-order=0", "--no-padding", "--no-seektable",
                       f"--tag=TITLE={song.title}", "--tag=ARTIST=Tomas Vey",
                       "--output-name", str(path), str(wav)]
        else:
            raise ValueError(f"{path.name}: streams are .ogg or .flac")
        if not shutil.which(command[0]):
            sys.exit(f"{command[0]} is missing: run tools/install-deps.sh")
        subprocess.run(command, check=True)
