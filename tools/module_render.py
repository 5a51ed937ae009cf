# Turns a song of the score into a tracker module: our instruments synthesised into samples, the
# notes into pattern cells with their volumes, vibrato, swing and cuts, and the end of the song
# into a fade. ProTracker modules for names ending in .mod, FastTracker 2 modules for .xm/.XM.
from dataclasses import dataclass

import numpy as np

import music_synth as synth
from score import STEPS_PER_BAR
from tracker_files import (XM_KEY_OFF, ModCell, ModSample, XmCell, XmInstrument, XmSample,
                           mod_rate, write_mod, write_xm)

TRACKER_SPEED = 6   # ticks per row: at this speed a tracker's BPM is beats a minute
VIBRATO_AFTER = 4   # rows of a held note before its vibrato sets in
FADE_ROWS = 14      # the last rows, over which every channel slides to silence


def vibrato_param(song):
    """Effect 4's speed and depth: about five wavers a second, whatever the tempo, and about a
    quarter of a semitone deep."""
    ticks_per_second = song.bpm * 4 * TRACKER_SPEED / 60
    speed = max(1, min(15, round(5 * 64 / ticks_per_second)))
    return speed << 4 | 3


def free(cell):
    return not (cell.effect or cell.param)


def add_note_effects(grid, ch, note, rows, song):
    """Delay, vibrato and arpeggio of a note, in the effect column of its rows."""
    first = grid[note.step][ch]
    if note.delay and free(first):
        first.effect, first.param = 0xE, 0xD0 | note.delay
    end = min(note.step + note.length, rows)
    if note.arpeggio:
        for row in range(note.step, end):
            if free(grid[row][ch]):
                grid[row][ch].effect, grid[row][ch].param = 0x0, note.arpeggio
    if note.vibrato:
        for row in range(note.step + VIBRATO_AFTER, end):
            if free(grid[row][ch]):
                grid[row][ch].effect, grid[row][ch].param = 0x4, vibrato_param(song)


def fade_out(grid, rows=FADE_ROWS):
    """Slides the volume of every channel down over the last rows rows (at speed 6, by 5 of 64
    a row), in place of a held note's vibrato or arpeggio; a row's cut or new volume stays."""
    for row in grid[-rows:]:
        for cell in row:
            if free(cell) or cell.effect in (0x0, 0x4):
                cell.effect, cell.param = 0xA, 0x01


def four_bar_patterns(grid):
    """Cuts the song's rows into patterns of 64 rows, the last maybe shorter, each told only
    once; returns them and the order that plays them."""
    patterns, order = [], []
    for start in range(0, len(grid), 4 * STEPS_PER_BAR):
        block = grid[start:start + 4 * STEPS_PER_BAR]
        if block not in patterns:
            patterns.append(block)
        order.append(patterns.index(block))
    return patterns, order


# ---------------------------------------------------------------------------------------------
# Sounds, made once at a given rate. A tonal sound returns (samples, loop start, loop length);
# its natural pitch is the MIDI note it is made at.


def tone(rate, base, kind):
    hz = synth.midi_hz(base)
    if kind == "saw_bass":
        return synth.looped_tone(rate, hz, synth.saw, 0.4, 0.25, sustain=0.75,
                                 head_half_life=0.09, brightness=0.9)
    if kind == "round_bass":
        return synth.looped_tone(rate, hz, synth.mellow, 0.5, 0.25, sustain=0.8,
                                 head_half_life=0.15)
    if kind == "pulse_lead":
        return synth.looped_tone(rate, hz, synth.pulse(0.3, 0.12), 0.3, 0.5, sustain=0.85,
                                 head_half_life=0.12)
    if kind == "flute_lead":
        return synth.looped_tone(rate, hz, synth.mellow, 0.2, 0.5, sustain=0.8,
                                 head_half_life=0.08)
    if kind == "chip":
        return synth.looped_tone(rate, hz, synth.pulse(0.5, 0.1), 0.02, 0.4, sustain=0.9,
                                 head_half_life=0.01)
    if kind == "pluck":
        return synth.looped_tone(rate, hz, synth.saw, 0.3, 0.1, sustain=0.35,
                                 head_half_life=0.06, brightness=0.82)
    if kind == "keys":
        return synth.looped_tone(rate, hz, synth.organ, 0.6, 0.25, sustain=0.45,
                                 head_half_life=0.18)
    if kind == "bell":
        t = np.arange(int(1.8 * rate)) / rate
        fade = np.clip((1.8 - t) / 0.3, 0.0, 1.0)
        return synth.normalized(synth.bell_partials(t, float(hz)) * fade), 0, 0
    if kind == "pad":
        wave, loop = synth.detuned_pad(rate, hz, 1.0)
        return wave, 0, loop
    raise ValueError(f"no tracker sound {kind}")


DRUMS = {"kick": lambda rate: synth.kick(rate, seed=11),
         "snare": lambda rate: synth.snare(rate, seed=12),
         "hat": lambda rate: synth.hat(rate, seed=13),
         "open_hat": lambda rate: synth.hat(rate, seed=14, seconds=0.35, half_life=0.08),
         "crash": lambda rate: synth.crash(rate, seed=15),
         # One sample for a kick under a crash, where both share a channel.
         "kick_crash": lambda rate: synth.normalized(
             synth.kick(rate, seed=11)[:int(0.4 * rate)]
             + 0.25 * synth.crash(rate, seed=15, seconds=1.2)[:int(0.4 * rate)])}

# Where an instrument's sound sits: its base note (a tonal sample sounds it at the tracker's
# reference note) and its default volume, of 64.
TONAL = {"saw_bass": (48, 34), "round_bass": (48, 24), "pulse_lead": (76, 64),
         "flute_lead": (84, 64), "chip": (72, 56), "pluck": (72, 48), "keys": (72, 48),
         "bell": (72, 44), "pad": (60, 30)}
DRUM_VOLUME = {"kick": 64, "snare": 40, "hat": 17, "open_hat": 12, "crash": 14, "kick_crash": 64}


def sound_of(song, part):
    """The instrument playing a part: the song's choice, else the part's name less a voice
    number (pad0 to pad2 are one pad)."""
    return song.sounds.get(part, part.rstrip("0123456789"))


# ---------------------------------------------------------------------------------------------
# ProTracker modules


@dataclass
class ModVoice:
    number: int      # sample number, from 1
    sample: ModSample
    base: int        # the MIDI note the sample sounds at C-3; drums always play there
    tonal: bool      # held until the next note or cut; drums ring out


DRUM_NOTE = 35   # B-3, ProTracker's highest: the drums play at 31.4 kHz
TONE_NOTE = 24   # C-3


def sound_volume(song, kind, level=1.0):
    """A sound's default volume, of 64: its own, times the song's level for it and level."""
    volume = DRUM_VOLUME[kind] if kind in DRUMS else TONAL[kind][1]
    return min(64, round(volume * song.levels.get(kind, 1.0) * level))


def mod_voices(song, kinds):
    """The song's ProTracker samples, one per kind of sound it uses, numbered in turn."""
    voices = {}
    for kind in kinds:
        volume = sound_volume(song, kind)
        if kind in DRUMS:
            wave, base, tonal, loop = DRUMS[kind](mod_rate(DRUM_NOTE)), 0, False, (0, 0)
        else:
            base = TONAL[kind][0]
            wave, head, length = tone(mod_rate(TONE_NOTE), base, kind)
            tonal, loop = True, (head, length)
        data = synth.to_int8(wave)
        if len(data) % 2:
            data = np.append(data, np.int8(0))
        voices[kind] = ModVoice(len(voices) + 1, ModSample(kind, data, volume, *loop), base, tonal)
    return voices


def build_mod(song):
    """The song as a ProTracker module. Where two parts share a channel and fall on one step,
    the one named first plays."""
    parts = song.sorted_parts()
    kinds = list(dict.fromkeys(sound_of(song, p) for channel in song.channels for p in channel))
    voices = mod_voices(song, kinds)
    rows = song.steps
    if rows % 64:
        raise ValueError(f"{song.title}: a ProTracker song is whole 64-row patterns")
    grid = [[ModCell() for _ in song.channels] for _ in range(rows)]
    for ch, channel_parts in enumerate(song.channels):
        events = {}
        for part in channel_parts:
            for note in parts.get(part, []):
                events.setdefault(note.step, (part, note))
        steps = sorted(events)
        for i, step in enumerate(steps):
            part, note = events[step]
            voice = voices[sound_of(song, part)]
            index = TONE_NOTE + note.pitch - voice.base if voice.tonal else DRUM_NOTE
            if not 0 <= index < 36:
                raise ValueError(f"{song.title}: {part} note {note.pitch} is out of range")
            cell = grid[step][ch]
            cell.note, cell.sample = index, voice.number
            if note.velocity < 1:
                cell.effect, cell.param = 0xC, round(voice.sample.volume * note.velocity)
            add_note_effects(grid, ch, note, rows, song)
            end = min(step + note.length, rows)
            following = steps[i + 1] if i + 1 < len(steps) else rows
            if voice.tonal and end < following and free(grid[end][ch]):
                grid[end][ch].effect, grid[end][ch].param = 0xC, 0
    first_row = [cell for cell in grid[0] if free(cell)]
    first_row[0].effect, first_row[0].param = 0xF, song.bpm
    fade_out(grid)
    patterns, order = four_bar_patterns(grid)
    samples = [v.sample for v in sorted(voices.values(), key=lambda v: v.number)]
    return write_mod(song.title[:20], len(song.channels), samples, patterns, order)


# ---------------------------------------------------------------------------------------------
# FastTracker 2 modules


XM_RATE = 8363 * 4   # every sample is made at this rate, two octaves over C-4's 8363 Hz
# Our FastTracker songs play their kick on two channels at once, which doubles it; everything else
# is this much louder than in a ProTracker song, so both kinds sound about as loud and the kick
# still stands a little further out, where the beat detector hears it.
XM_LEVEL = 1.25
DUCK = 0.5  # the volume of a ducked part under a kick

# Envelopes (tick, level) with the point held while the key is down, the fade after the key is
# let go (of 65536 a tick), auto-vibrato (type, sweep, depth, rate) and where the sound sits from
# left (0) to right (255).
XM_SHAPES = {
    "saw_bass": dict(envelope=[(0, 64), (4, 60)], sustain=1, fadeout=3000),
    "round_bass": dict(envelope=[(0, 64), (10, 48)], sustain=1, fadeout=2500),
    "pulse_lead": dict(envelope=[(0, 64), (4, 64)], sustain=1, fadeout=1200,
                       vibrato=(0, 48, 3, 10), panning=112),
    "flute_lead": dict(envelope=[(0, 40), (3, 64), (12, 54)], sustain=2, fadeout=900,
                       vibrato=(0, 64, 4, 12), panning=112),
    "pluck": dict(envelope=[(0, 64), (5, 30), (30, 0)], fadeout=4000, panning=176),
    "bell": dict(envelope=[(0, 64), (2, 64)], sustain=1, fadeout=1500, panning=150),
    "pad": dict(envelope=[(0, 24), (24, 52), (60, 44)], sustain=2, fadeout=500),
    "chip": dict(envelope=[(0, 64), (8, 40)], sustain=1, fadeout=4000),
    "keys": dict(envelope=[(0, 64), (8, 50)], sustain=1, fadeout=2000),
}
XM_PANNING = {"hat": 168, "open_hat": 168, "crash": 88, "snare": 120, "echo": 200, "arp": 96,
              "pad0": 64, "pad2": 192, "arp_echo": 72, "horn": 72}


@dataclass
class XmVoice:
    number: int      # instrument number, from 1
    tonal: bool      # let go with a key-off at the note's end; drums ring out
    volume: int      # its sample's, which a softer note scales


def xm_instruments(song):
    """The song's FastTracker instruments, one per part (however many channels play it), so
    that each part sits where it belongs in the stereo field. A sample made at XM_RATE whose
    natural pitch is MIDI note base plays in tune when its relative note is 84 - base: C-4 then
    plays it 24 semitones over 8363 Hz at base 60."""
    instruments, voices, made = [], {}, {}
    for part in song.channels:
        if part in voices:
            continue
        kind = sound_of(song, part)
        if kind not in made:
            if kind in DRUMS:
                made[kind] = (synth.to_int16(DRUMS[kind](XM_RATE)), (0, 0), 60,
                              sound_volume(song, kind, XM_LEVEL))
            else:
                base = TONAL[kind][0]
                wave, head, length = tone(XM_RATE, base, kind)
                made[kind] = (synth.to_int16(wave), (head, length), base,
                              sound_volume(song, kind, XM_LEVEL))
        data, loop, base, volume = made[kind]
        shape = dict(XM_SHAPES.get(kind, {}))
        panning = XM_PANNING.get(part, shape.pop("panning", 128))
        shape.pop("panning", None)
        if part == "echo":
            volume = volume * 3 // 4
        sample = XmSample(data, *loop, volume=volume, relative_note=84 - base, panning=panning)
        instruments.append(XmInstrument(part, sample, **shape))
        voices[part] = XmVoice(len(instruments), kind not in DRUMS, volume)
    return instruments, voices


def duck_under_kicks(grid, song, parts, voices):
    """Turns the song's ducked parts down to DUCK of their volume on the row of every full kick
    and back up on the next, so that the kick's first moments, the loudest of the song, do not
    add to everything else at its fullest: the mix can then be louder without clipping. Only a
    note that sounds on both rows is touched; the fade at the song's end is left alone."""
    kicks = {n.step for n in parts.get("kick", []) if n.velocity == 1}
    last = len(grid) - FADE_ROWS - 1
    for ch, part in enumerate(song.channels):
        if part not in song.ducked:
            continue
        volume = voices[part].volume
        for note in parts.get(part, []):
            loud = round(volume * note.velocity) if note.velocity < 1 else volume
            for row in range(note.step, min(note.step + note.length - 1, last)):
                after = grid[row + 1][ch]
                if row in kicks and after.note == 0 and after.volume == 0:
                    grid[row][ch].volume = 0x10 + round(loud * DUCK)
                    after.volume = 0x10 + loud


def build_xm(song):
    """The song as a FastTracker 2 module, one part per channel."""
    parts = song.sorted_parts()
    instruments, voices = xm_instruments(song)
    rows = song.steps
    grid = [[XmCell() for _ in song.channels] for _ in range(rows)]
    for ch, part in enumerate(song.channels):
        voice = voices[part]
        notes = parts.get(part, [])
        for i, note in enumerate(notes):
            cell = grid[note.step][ch]
            cell.note, cell.instrument = note.pitch - 11, voice.number  # MIDI 60 is C-4, 49
            if note.velocity < 1:
                cell.volume = 0x10 + round(voice.volume * note.velocity)
            add_note_effects(grid, ch, note, rows, song)
            end = note.step + note.length
            following = notes[i + 1].step if i + 1 < len(notes) else rows
            if voice.tonal and end < min(following, rows):
                grid[end][ch].note = XM_KEY_OFF
    duck_under_kicks(grid, song, parts, voices)
    fade_out(grid)
    patterns, order = four_bar_patterns(grid)
    return write_xm(song.title[:20], len(song.channels), instruments, patterns, order,
                    TRACKER_SPEED, song.bpm)
