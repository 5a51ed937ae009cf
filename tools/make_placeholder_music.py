#!/usr/bin/python3
# Composes the placeholder music of the demo disk and writes it: ProTracker and FastTracker 2
# modules built byte by byte, two streams rendered here and encoded with Debian's oggenc and flac,
# and disk.cfg listing them with their texts and the credits. Same bytes on every run.
"""Usage: make_placeholder_music.py [OUTPUT_DIR]   (default: the data/ folder of this checkout)"""

import shutil
import subprocess
import sys
import tempfile
import wave
from dataclasses import dataclass, field
from pathlib import Path

import numpy as np

import music_synth as synth
from tracker_files import (XM_KEY_OFF, ModCell, ModSample, XmCell, XmInstrument, XmSample,
                           mod_rate, write_mod, write_xm)

STEPS_PER_BAR = 16  # a step is a sixteenth note, and one row of a tracker pattern
TRACKER_SPEED = 6   # ticks per row: at this speed a tracker's BPM is beats a minute

# ---------------------------------------------------------------------------------------------
# Scores


@dataclass(frozen=True)
class Note:
    step: int
    pitch: int             # MIDI note number; drums ignore it
    length: int            # steps
    velocity: float = 1.0
    arpeggio: int = 0      # tracker arpeggio: two semitone offsets, one per nibble


@dataclass
class Song:
    title: str
    info: str
    file: str
    bpm: int
    chords: list            # one chord name per bar
    channels: list = None   # a module's: per channel, the parts it plays; None for a stream
    parts: dict = field(default_factory=dict)  # part name: notes

    @property
    def steps(self):
        return len(self.chords) * STEPS_PER_BAR

    def add(self, part, notes):
        self.parts.setdefault(part, []).extend(notes)


PITCH_CLASSES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def pitch_class(name):
    """The pitch class a name starts with ('C', 'F#', 'Bb'...), and the rest of the name."""
    pc = PITCH_CLASSES[name[0]]
    if name[1:2] == "#":
        return pc + 1, name[2:]
    if name[1:2] == "b":
        return pc - 1, name[2:]
    return pc, name[1:]


def pitch(name):
    """'A4' is 69."""
    pc, octave = pitch_class(name)
    return 12 * (int(octave) + 1) + pc


def chord_tones(name):
    """Root pitch class and the triad's intervals: 'Am' minor, 'F' major."""
    root, rest = pitch_class(name)
    return root % 12, (0, 3, 7) if rest == "m" else (0, 4, 7)


def melody(text, bar):
    """Notes from bars like 'E5:4 D5:2 C5:2 D5:2 E5:2 A4:4 | ...' starting at bar: a pitch, or
    '-' for a rest, and a length in steps. Between two bar lines lie whole bars."""
    notes = []
    step = bar * STEPS_PER_BAR
    for bar_text in text.split("|"):
        for token in bar_text.split():
            name, length = token.split(":")
            if name != "-":
                notes.append(Note(step, pitch(name), int(length)))
            step += int(length)
        if step % STEPS_PER_BAR:
            raise ValueError(f"{bar_text!r} in {text!r} is not whole bars")
    return notes


def drum_hits(pattern, bars):
    """One hit per letter of a 16-step bar pattern: upper case full, lower case softer."""
    if len(pattern) != STEPS_PER_BAR:
        raise ValueError(f"{pattern!r} is not one bar")
    return [Note(bar * STEPS_PER_BAR + i, 60, 1, 1.0 if c.isupper() else 0.6)
            for bar in bars for i, c in enumerate(pattern) if c != "."]


def bass_line(song, rhythm, bars, low=36):
    """A bass line over the song's chords: 'R:3 5:2 O:2 -:1 ...' plays the root, third (3), fifth
    (5) or octave (O), or rests, for so many steps; the root sits from low up."""
    notes = []
    for bar in bars:
        root, triad = chord_tones(song.chords[bar])
        base = low + (root - low) % 12
        offsets = {"R": 0, "3": triad[1], "5": triad[2], "O": 12}
        step = bar * STEPS_PER_BAR
        for token in rhythm.split():
            degree, length = token.split(":")
            if degree != "-":
                notes.append(Note(step, base + offsets[degree], int(length)))
            step += int(length)
    return notes


def chord_voicing(name, low):
    """The triad's three notes in the octave from low up."""
    root, triad = chord_tones(name)
    return sorted(low + (root + interval - low) % 12 for interval in triad)


def pad_voices(song, bars, low, velocity=1.0):
    """Three held notes per bar, one list per voice, the chord voiced from low up."""
    voices = [[], [], []]
    for bar in bars:
        for voice, note in zip(voices, chord_voicing(song.chords[bar], low)):
            voice.append(Note(bar * STEPS_PER_BAR, note, STEPS_PER_BAR, velocity))
    return voices


def broken_chords(song, bars, low, order=(0, 1, 2, 3, 1, 2, 3, 2), step_length=2, velocity=0.7):
    """The chord's notes one after another (3 is the root an octave up), one per step_length."""
    notes = []
    for bar in bars:
        tones = chord_voicing(song.chords[bar], low)
        tones.append(tones[0] + 12)
        for i in range(STEPS_PER_BAR // step_length):
            notes.append(Note(bar * STEPS_PER_BAR + i * step_length,
                              tones[order[i % len(order)]], step_length, velocity))
    return notes


def delayed(notes, steps, velocity, end):
    """An echo of a line: later and softer, cut at the end of the song."""
    return [Note(n.step + steps, n.pitch, n.length, n.velocity * velocity)
            for n in notes if n.step + steps < end]


# ---------------------------------------------------------------------------------------------
# The songs


def first_light():
    song = Song(
        "First Light Over the Sleeping Harbour",
        "A four-channel ProTracker module in A minor at 125 beats a minute: kick, snare and hats "
        "share one channel, a plucked bass walks under chip chords played as fast arpeggios, and "
        "a pulse lead sings the tune. It is a placeholder, made by our own tools, until the real "
        "songs arrive.",
        "first_light.mod", 125,
        ["Am", "F", "C", "G"] * 3 + ["Am", "F", "G", "Am"],
        [("kick", "snare", "hat"), ("bass",), ("chip",), ("lead",)])
    groove = range(15)
    song.add("kick", drum_hits("K.......K.......", groove))
    song.add("snare", drum_hits("....S.......S...", [b for b in groove if b not in (7, 11)]))
    song.add("snare", drum_hits("....S.......S.ss", [7, 11]))
    song.add("hat", drum_hits("..h...h...h...h.", groove))
    song.add("kick", drum_hits("K...............", [15]))
    song.add("bass", bass_line(song, "-:2 R:1 R:1 -:2 O:2 -:2 R:2 5:2 O:2", groove, low=33))
    song.add("bass", [Note(15 * STEPS_PER_BAR, pitch("A1"), STEPS_PER_BAR)])
    for bar in range(15):
        root, triad = chord_tones(song.chords[bar])
        song.add("chip", [Note(bar * STEPS_PER_BAR, 52 + (root - 52) % 12, STEPS_PER_BAR,
                               arpeggio=triad[1] << 4 | triad[2])])
    theme_a = ("E5:4 D5:2 C5:2 D5:2 E5:2 A4:4 | F5:4 E5:2 D5:2 C5:4 A4:4 | "
               "G4:2 C5:2 E5:2 G5:2 E5:4 D5:2 C5:2 | D5:6 B4:2 G4:8")
    theme_b = ("C5:4 E5:2 A5:2 G5:4 E5:4 | F5:2 G5:2 A5:2 G5:2 F5:4 C5:4 | "
               "E5:4 G5:2 E5:2 C5:6 D5:2 | B4:4 D5:4 G5:8")
    ending = ("E5:4 D5:2 C5:2 D5:2 E5:2 A4:4 | F5:4 E5:2 D5:2 C5:4 A4:4 | "
              "D5:4 B4:2 D5:2 G5:4 B4:4 | A4:16")
    song.add("lead", melody(theme_a, 4) + melody(theme_b, 8) + melody(ending, 12))
    return song


def copper_bars():
    song = Song(
        "Copper Bars",
        "A FastTracker 2 module in E minor at 140 beats a minute, with sixteen-bit samples, "
        "volume envelopes and a three-voice pad. Its name ends in upper-case XM, so it plays "
        "the FastTracker way. Composed and synthesised by our own tools.",
        "copper_bars.XM", 140,
        ["Em", "C", "G", "D"] * 4 + ["Em", "Em"],
        ["kick", "snare", "hat", "bass", "lead", "pad0", "pad1", "pad2"])
    groove = range(16)
    song.add("kick", drum_hits("K.......K.......", groove))
    song.add("kick", drum_hits("K...............", [16]))
    song.add("snare", drum_hits("....S.......S...", [b for b in groove if b != 15]))
    song.add("snare", drum_hits("....S.......SsSS", [15]))
    song.add("hat", drum_hits("H.h.H.h.H.h.H.hh", groove))
    song.add("bass", bass_line(song, "-:2 R:1 R:1 O:2 R:2 -:4 O:2 5:2", groove, low=40))
    song.add("bass", [Note(16 * STEPS_PER_BAR, pitch("E2"), 2 * STEPS_PER_BAR)])
    for i, voice in enumerate(pad_voices(song, range(18), low=65, velocity=0.8)):
        song.add(f"pad{i}", voice)
    theme_a = ("B4:2 E5:2 G5:2 B5:4 A5:2 G5:2 F#5:2 | E5:6 G5:2 E5:4 C5:4 | "
               "D5:2 G5:2 B5:2 D6:2 B5:4 A5:2 G5:2 | F#5:12 D5:4")
    theme_b = ("B5:4 A5:2 G5:2 E5:4 G5:4 | C6:6 B5:2 A5:2 G5:2 E5:4 | "
               "D6:4 B5:2 G5:2 A5:4 B5:4 | A5:8 F#5:4 D5:4")
    theme_c = ("B4:2 E5:2 G5:2 B5:4 A5:2 G5:2 F#5:2 | E5:6 G5:2 E5:4 C5:4 | "
               "D5:2 G5:2 B5:2 D6:2 B5:4 A5:2 G5:2 | A5:4 F#5:4 D5:4 F#5:4 | E5:32")
    song.add("lead", melody(theme_a, 4) + melody(theme_b, 8) + melody(theme_c, 12))
    return song


def eight_channel_sunday():
    song = Song(
        "Eight Channel Sunday",
        "An eight-channel ProTracker module in F major at 100 beats a minute. Kick, snare and "
        "bass each play on a left and a right channel at once so they sit in the middle, and "
        "the lead answers itself from the other side, the tracker's own echo.",
        "eight_channel_sunday.mod", 100,
        ["F", "Dm", "Bb", "C"] * 2 + ["F", "Dm", "Bb", "F"],
        # Amiga panning puts channels 1, 4, 5 and 8 left, the others right.
        [("kick",), ("kick",), ("snare", "hat"), ("snare", "hat"), ("bass",), ("bass",),
         ("lead",), ("echo",)])
    groove = range(11)
    song.add("kick", drum_hits("K.......K.....k.", groove))
    song.add("kick", drum_hits("K...............", [11]))
    song.add("snare", drum_hits("....S.......S...", groove))
    song.add("hat", drum_hits("..h...h...h...hh", groove))
    song.add("bass", bass_line(song, "-:2 R:2 3:2 5:2 -:2 O:2 5:2 -:2", groove, low=36))
    song.add("bass", [Note(11 * STEPS_PER_BAR, pitch("F2"), STEPS_PER_BAR)])
    intro = "-:8 C5:4 E5:4 | F5:8 E5:4 C5:4 | D5:12 F5:4 | E5:8 G4:8"
    theme = ("A4:4 C5:4 F5:6 E5:2 | D5:4 F5:2 E5:2 D5:4 A4:4 | "
             "Bb4:4 D5:2 F5:2 G5:4 F5:2 D5:2 | E5:8 C5:4 G4:4 | "
             "F5:4 A5:2 G5:2 F5:4 C5:4 | D5:6 E5:2 F5:4 A5:4 | "
             "G5:4 F5:2 D5:2 Bb4:4 D5:4 | F5:16")
    lead = melody(intro, 0) + melody(theme, 4)
    song.add("lead", lead)
    song.add("echo", delayed(lead, 3, 0.45, song.steps))
    return song


def night_tram():
    song = Song(
        "Night Tram",
        "A six-channel module in D minor at 112 beats a minute, saved in FastTracker 2's "
        "format under a lower-case name, so it plays the ProTracker way. Bells pick out each "
        "chord while the lead rides the last tram home.",
        "night_tram.xm", 112,
        ["Dm", "Bb"] + ["Dm", "Bb", "Gm", "A"] * 2 + ["Dm", "Bb", "Dm"],
        ["kick", "snare", "hat", "bass", "lead", "bell"])
    groove = range(12)
    song.add("kick", drum_hits("K.......K..K....", groove))
    song.add("kick", drum_hits("K...............", [12]))
    song.add("snare", drum_hits("....S.......S...", groove))
    song.add("hat", drum_hits("h.hHh.hHh.hHh.hH", range(2, 12)))
    song.add("bass", bass_line(song, "-:2 R:4 R:2 -:2 5:2 O:2 -:2", groove, low=38))
    song.add("bass", [Note(12 * STEPS_PER_BAR, pitch("D2"), STEPS_PER_BAR)])
    song.add("bell", broken_chords(song, range(12), low=62))
    theme = ("D5:4 F5:2 A5:2 G5:4 F5:4 | D5:6 F5:2 Bb5:4 A5:4 | "
             "G5:2 F5:2 D5:2 Bb4:2 D5:4 G5:4 | E5:4 C#5:4 A4:8 | "
             "A5:4 G5:2 F5:2 E5:4 D5:4 | F5:6 G5:2 F5:4 D5:4 | "
             "Bb4:4 D5:4 G5:4 F5:2 E5:2 | C#5:8 E5:4 A5:4 | "
             "D5:4 F5:2 A5:2 G5:4 F5:4 | D5:6 F5:2 Bb5:4 A5:4 | D5:16")
    song.add("lead", melody(theme, 2))
    return song


def paper_kites():
    song = Song(
        "Paper Kites",
        "A stream in G major at 96 beats a minute, rendered sample by sample by our own "
        "synthesiser and stored as Ogg Vorbis: a soft pad, a round bass and a plucked lead with "
        "a dotted echo.",
        "paper_kites.ogg", 96,
        ["G", "Em"] + ["G", "Em", "C", "D"] * 2 + ["C", "G"])
    groove = range(11)
    song.add("kick", drum_hits("K.......K.....k.", groove))
    song.add("kick", drum_hits("K...............", [11]))
    song.add("snare", drum_hits("....S.......S...", groove))
    song.add("hat", drum_hits("h.H.h.H.h.H.h.Hh", groove))
    song.add("bass", bass_line(song, "R:6 R:2 5:4 O:4", groove, low=36))
    song.add("bass", [Note(11 * STEPS_PER_BAR, pitch("G2"), STEPS_PER_BAR)])
    for i, voice in enumerate(pad_voices(song, range(12), low=62, velocity=0.9)):
        song.add(f"pad{i}", voice)
    theme = ("B4:4 D5:4 G5:6 F#5:2 | E5:4 G5:2 F#5:2 E5:4 B4:4 | "
             "C5:4 E5:2 G5:2 A5:4 G5:2 E5:2 | F#5:8 D5:4 A4:4 | "
             "G5:4 B5:2 A5:2 G5:4 D5:4 | E5:6 F#5:2 G5:4 B5:4 | "
             "A5:4 G5:2 E5:2 C5:4 E5:4 | D5:8 F#5:4 A5:4 | "
             "G5:4 E5:4 C5:4 E5:4 | G5:16")
    song.add("lead", melody(theme, 2))
    return song


def last_train_home():
    song = Song(
        "Last Train Home",
        "A stream in C major at 132 beats a minute, rendered by our own synthesiser and stored "
        "losslessly as FLAC, in mono at 22 kHz so that it stays small. Four chords, a bouncing "
        "bass, a bright lead and a pad under the final chord.",
        "last_train_home.flac", 132,
        ["C", "G"] + ["C", "G", "Am", "F"] * 2 + ["F", "C"])
    groove = range(11)
    song.add("kick", drum_hits("K.......K.......", groove))
    song.add("kick", drum_hits("K...............", [11]))
    song.add("snare", drum_hits("....S.......S...", [b for b in groove if b != 9]))
    song.add("snare", drum_hits("....S.......SsSs", [9]))
    song.add("hat", drum_hits("hHhHhHhHhHhHhHhH", groove))
    song.add("bass", bass_line(song, "R:2 O:2 R:2 O:2 R:2 O:2 5:2 O:2", groove, low=36))
    song.add("bass", [Note(11 * STEPS_PER_BAR, pitch("C2"), STEPS_PER_BAR)])
    for i, voice in enumerate(pad_voices(song, range(12), low=62, velocity=0.7)):
        song.add(f"pad{i}", voice)
    theme = ("E5:2 G5:2 C6:4 B5:2 G5:2 E5:4 | D5:6 G5:2 B5:4 D6:4 | "
             "C6:4 B5:2 A5:2 E5:4 C5:4 | F5:2 G5:2 A5:2 C6:2 A5:8 | "
             "G5:4 E5:2 G5:2 C6:4 G5:4 | B5:6 A5:2 G5:4 D5:4 | "
             "E5:4 A5:2 B5:2 C6:4 E5:4 | F5:4 A5:4 G5:8 | "
             "A5:4 C6:4 F5:4 A5:4 | C6:16")
    song.add("lead", melody(theme, 2))
    return song


def voice_of(part):
    """The instrument that plays a part: the pad's voices pad0 to pad2 are one pad, and the
    lead's echo is the lead."""
    return "lead" if part == "echo" else part.rstrip("0123456789")


# ---------------------------------------------------------------------------------------------
# Tracker patterns, either format's cells


def fade_out(grid, rows):
    """Slides the volume of every channel down over the last rows rows, wherever the effect
    column is free (at speed 6, by 5 of 64 a row)."""
    for row in grid[-rows:]:
        for cell in row:
            if not (cell.effect or cell.param):
                cell.effect, cell.param = 0xA, 0x01


def four_bar_patterns(grid):
    """Cuts the song's rows into patterns of 64 rows, the last maybe shorter, each told only
    once; returns them and the order that plays them."""
    patterns, order = [], []
    for start in range(0, len(grid), 64):
        block = grid[start:start + 64]
        if block not in patterns:
            patterns.append(block)
        order.append(patterns.index(block))
    return patterns, order


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


def mod_voices():
    """The sample set of our ProTracker modules."""
    drum_rate = mod_rate(DRUM_NOTE)
    tone_rate = mod_rate(TONE_NOTE)
    samples = {}

    def add(name, wave, base, tonal, volume, loop=(0, 0)):
        data = synth.to_int8(wave)
        if len(data) % 2:
            data = np.append(data, np.int8(0))
        sample = ModSample(name, data, volume, *loop)
        samples[name] = ModVoice(len(samples) + 1, sample, base, tonal)

    add("kick", synth.kick(drum_rate), 0, False, 64)
    add("snare", synth.snare(drum_rate), 0, False, 44)
    add("hat", synth.hat(drum_rate), 0, False, 40)
    wave, head, loop = synth.looped_tone(tone_rate, synth.midi_hz(48), synth.saw, 0.4, 0.25,
                                         sustain=0.45, head_half_life=0.09, brightness=0.9)
    add("bass", wave, 48, True, 26, (head, loop))
    wave, head, loop = synth.looped_tone(tone_rate, synth.midi_hz(72), synth.pulse(0.3, 0.12),
                                         0.3, 0.5, sustain=0.55, head_half_life=0.12)
    add("lead", wave, 72, True, 48, (head, loop))
    wave, head, loop = synth.looped_tone(tone_rate, synth.midi_hz(60), synth.pulse(0.5, 0.1),
                                         0.02, 0.4, sustain=0.9, head_half_life=0.01)
    add("chip", wave, 60, True, 16, (head, loop))
    return samples


def build_mod(song, fade_rows=12):
    """The song as a ProTracker module. Where two parts share a channel and fall on one step,
    the one named first plays. The song fades out over its last fade_rows rows."""
    voices = mod_voices()
    rows = song.steps
    if rows % 64:
        raise ValueError(f"{song.title}: a ProTracker song is whole 64-row patterns")
    grid = [[ModCell() for _ in song.channels] for _ in range(rows)]
    for ch, parts in enumerate(song.channels):
        events = {}
        for part in parts:
            for note in song.parts[part]:
                events.setdefault(note.step, (part, note))
        steps = sorted(events)
        for i, step in enumerate(steps):
            part, note = events[step]
            voice = voices[voice_of(part)]
            index = TONE_NOTE + note.pitch - voice.base if voice.tonal else DRUM_NOTE
            if not 0 <= index < 36:
                raise ValueError(f"{song.title}: {part} note {note.pitch} is out of range")
            cell = grid[step][ch]
            cell.note, cell.sample = index, voice.number
            if note.velocity < 1:
                cell.effect, cell.param = 0xC, round(voice.sample.volume * note.velocity)
            end = min(step + note.length, rows)
            if note.arpeggio:
                for row in range(step, end):
                    grid[row][ch].effect, grid[row][ch].param = 0x0, note.arpeggio
            following = steps[i + 1] if i + 1 < len(steps) else rows
            if voice.tonal and end < following:
                grid[end][ch].effect, grid[end][ch].param = 0xC, 0
    free = [cell for cell in grid[0] if not (cell.effect or cell.param)]
    free[0].effect, free[0].param = 0xF, song.bpm
    fade_out(grid, fade_rows)
    patterns, order = four_bar_patterns(grid)
    samples = [v.sample for v in sorted(voices.values(), key=lambda v: v.number)]
    return write_mod(song.title[:20], len(song.channels), samples, patterns, order)


# ---------------------------------------------------------------------------------------------
# FastTracker 2 modules


XM_RATE = 8363 * 4   # every sample is made at this rate, two octaves over C-4's 8363 Hz


@dataclass
class XmVoice:
    number: int      # instrument number, from 1
    tonal: bool      # let go with a key-off at the note's end; drums ring out
    volume: int      # its sample's, which a softer note scales


def xm_instruments():
    """Our FastTracker instruments. A sample made at XM_RATE whose natural pitch is MIDI note
    base plays in tune when its relative note is 84 - base: C-4 then plays it 24 semitones
    over 8363 Hz at base 60."""
    instruments, voices = [], {}

    def add(name, wave, base, tonal, volume, loop=(0, 0), **shape):
        sample = XmSample(synth.to_int16(wave), *loop, volume=volume, relative_note=84 - base)
        instruments.append(XmInstrument(name, sample, **shape))
        voices[name] = XmVoice(len(instruments), tonal, volume)

    add("kick", synth.kick(XM_RATE, seed=11), 60, False, 64)
    add("snare", synth.snare(XM_RATE, seed=12), 60, False, 50)
    add("hat", synth.hat(XM_RATE, seed=13), 60, False, 30)
    wave, head, loop = synth.looped_tone(XM_RATE, synth.midi_hz(36), synth.saw, 0.35, 0.25,
                                         sustain=0.5, head_half_life=0.08, brightness=0.88)
    add("bass", wave, 36, True, 24, (head, loop), envelope=[(0, 64), (4, 60)], sustain=1,
        fadeout=3000)
    wave, head, loop = synth.looped_tone(XM_RATE, synth.midi_hz(72), synth.pulse(0.25, 0.15),
                                         0.3, 0.5, sustain=0.6, head_half_life=0.15)
    add("lead", wave, 72, True, 44, (head, loop), envelope=[(0, 64), (4, 64)], sustain=1,
        fadeout=1200, vibrato=(0, 48, 3, 10))
    wave, loop = synth.detuned_pad(XM_RATE, synth.midi_hz(60), 1.0)
    add("pad", wave, 60, True, 12, (0, loop), envelope=[(0, 0), (24, 52), (60, 44)], sustain=2,
        fadeout=500)
    wave, head, loop = synth.looped_tone(XM_RATE, synth.midi_hz(72), synth.organ, 0.6, 0.25,
                                         sustain=0.05, head_half_life=0.12)
    add("bell", wave, 72, True, 30, (head, loop), envelope=[(0, 64), (2, 64)], sustain=1,
        fadeout=2500)
    return instruments, voices


def build_xm(song, fade_rows=12):
    """The song as a FastTracker 2 module, one part per channel. The song fades out over its
    last fade_rows rows."""
    instruments, voices = xm_instruments()
    rows = song.steps
    grid = [[XmCell() for _ in song.channels] for _ in range(rows)]
    for ch, part in enumerate(song.channels):
        voice = voices[voice_of(part)]
        notes = song.parts[part]
        for i, note in enumerate(notes):
            cell = grid[note.step][ch]
            cell.note, cell.instrument = note.pitch - 11, voice.number  # MIDI 60 is C-4, 49
            if note.velocity < 1:
                cell.volume = 0x10 + round(voice.volume * note.velocity)
            end = note.step + note.length
            following = notes[i + 1].step if i + 1 < len(notes) else rows
            if voice.tonal and end < min(following, rows):
                grid[end][ch].note = XM_KEY_OFF
    fade_out(grid, fade_rows)
    patterns, order = four_bar_patterns(grid)
    return write_xm(song.title[:20], len(song.channels), instruments, patterns, order,
                    TRACKER_SPEED, song.bpm)


# ---------------------------------------------------------------------------------------------
# Streams


def envelope(count, rate, attack, release_at, release, level=None):
    """Rises linearly over attack seconds, follows level (1 if None), and falls linearly to
    silence over release seconds from sample release_at."""
    n = np.arange(count)
    rise = np.clip(n / max(1.0, attack * rate), 0.0, 1.0)
    fall = np.clip(1.0 - (n - release_at) / max(1.0, release * rate), 0.0, 1.0)
    return rise * fall * (1.0 if level is None else level)


def stream_note(part, hz, held, rate):
    """One note of a stream's instrument, held for held samples, with its release after."""
    if part == "bass":
        count = held + int(0.06 * rate)
        t = np.arange(count) / rate
        phase = hz * t
        bright = 0.72 + 0.2 * synth.decay(t, 0.06)
        wave = synth.additive(phase, hz, synth.saw, rate, brightness=bright, limit=40)
        level = 0.55 + 0.45 * synth.decay(t, 0.12)
        return wave * envelope(count, rate, 0.004, held, 0.06, level) * 0.28
    if part == "lead":
        count = held + int(0.15 * rate)
        t = np.arange(count) / rate
        # Vibrato comes in after a fifth of a second, as a singer's would.
        depth = 0.005 * np.clip((t - 0.2) / 0.3, 0.0, 1.0)
        phase = synth.phase_of(hz * (1.0 + depth * synth.sin_cycles(5.5 * t)), rate)
        wave = synth.additive(phase, hz, synth.pulse(0.3), rate, brightness=0.86, limit=24)
        level = 0.6 + 0.4 * synth.decay(t, 0.15)
        return wave * envelope(count, rate, 0.006, held, 0.15, level) * 0.45
    if part.startswith("pad"):
        count = held + int(0.6 * rate)
        t = np.arange(count) / rate
        wave = (synth.additive(hz * t, hz, synth.mellow, rate, limit=12)
                + 0.3 * synth.additive(hz * 1.003 * t, hz, synth.saw, rate, brightness=0.8,
                                       limit=16))
        return wave * envelope(count, rate, 0.35, held, 0.6) * 0.11
    raise ValueError(f"no stream instrument {part}")


def pan_gains(position):
    """Constant-power gains (left, right) for position -1 (left) to 1 (right)."""
    angle = (position + 1.0) / 8.0
    return float(synth.sin_cycles(angle + 0.25)), float(synth.sin_cycles(angle))


STREAM_PAN = {"kick": 0.0, "snare": 0.1, "hat": 0.35, "bass": 0.0, "lead": -0.15,
              "pad0": -0.5, "pad1": 0.0, "pad2": 0.5}
STREAM_GAIN = {"kick": 1.0, "snare": 0.8, "hat": 0.45}
# About as loud as the modules, whose mixer keeps headroom for all their channels; it also leaves
# room for the ringing of lossy encoding, so that no decoded sample clips.
STREAM_PEAK = 0.6


def render_stream(song, rate, tail_seconds=1.6):
    """The song mixed to stereo at rate, its peak at 1."""
    def start_of(step):
        return step * rate * 15 // song.bpm  # in whole samples, exactly: no rounding drifts

    total = start_of(song.steps) + int(tail_seconds * rate)
    mix = np.zeros((2, total))
    lead = np.zeros(total)
    drums = {"kick": synth.kick(rate, seed=21), "snare": synth.snare(rate, seed=22),
             "hat": synth.hat(rate, seed=23)}
    # Bass and pad duck under each kick and swell back, so the kick owns the low end when it
    # hits: the pumping of dance music, and what lets a beat detector hear the beat.
    ducking = np.ones(total)
    t = np.arange(int(0.3 * rate)) / rate
    dip = 1.0 - 0.9 * np.clip(t / 0.003, 0.0, 1.0) * synth.decay(t, 0.08)
    for note in song.parts["kick"]:
        at = start_of(note.step)
        span = min(len(dip), total - at)
        ducking[at:at + span] = np.minimum(ducking[at:at + span], dip[:span])
    for part, notes in song.parts.items():
        track = np.zeros(total)
        for note in notes:
            at = start_of(note.step)
            if part in drums:
                sound = drums[part] * STREAM_GAIN[part]
            else:
                held = start_of(note.step + note.length) - at
                sound = stream_note(part, float(synth.midi_hz(note.pitch)), held, rate)
            sound = sound[:total - at] * note.velocity
            track[at:at + len(sound)] += sound
        if part == "lead":
            lead = track
        if part == "bass" or part.startswith("pad"):
            track = track * ducking
        left, right = pan_gains(STREAM_PAN[part])
        mix[0] += track * left
        mix[1] += track * right
    # A dotted-eighth echo of the lead that bounces between the sides.
    delay = start_of(3)
    gain = 0.3
    for tap in range(1, 6):
        side = tap % 2
        mix[side, tap * delay:] += lead[:total - tap * delay] * gain
        gain *= 0.45
    # The last bar and the tail fade out, so the song ends in silence.
    fade_from = start_of(song.steps - STEPS_PER_BAR // 2)
    fade = np.clip(1.0 - (np.arange(total) - fade_from) / (total - fade_from), 0.0, 1.0)
    return synth.normalized(mix * fade)


def write_wav(path, channels, rate, peak):
    """16-bit PCM; channels is one row of samples per channel, peak 1 at most."""
    pcm = synth.to_int16(channels * peak).T.copy()
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
            write_wav(wav, render_stream(song, 44100), 44100, STREAM_PEAK)
            command = ["oggenc", "--quiet", "--serial", "1", "--quality", "4",
                       "--title", song.title, "--artist", "Orvell", "--output", str(path), str(wav)]
        elif path.suffix == ".flac":
            # Losslessly, this music takes about 100 kB a second in stereo at 44.1 kHz and still
            # 58 in stereo at 22.05 kHz; in mono at 22.05 kHz it takes 31, so a song fits in 1 MB.
            # The player turns it into stereo and resamples it as it plays.
            stereo = render_stream(song, 22050)
            write_wav(wav, synth.normalized(0.5 * (stereo[:1] + stereo[1:])), 22050, STREAM_PEAK)
            command = ["flac", "--silent", "--force", "--compression-level-8",
                       "--max-lpc-order=0", "--no-padding", "--no-seektable",
                       f"--tag=TITLE={song.title}", "--tag=ARTIST=Orvell",
                       "--output-name", str(path), str(wav)]
        else:
            raise ValueError(f"{path.name}: streams are .ogg or .flac")
        if not shutil.which(command[0]):
            sys.exit(f"{command[0]} is missing: run tools/install-deps.sh")
        subprocess.run(command, check=True)


# ---------------------------------------------------------------------------------------------
# The disk


CREDITS = """ORVELL
A MUSIC DISK

CODE
THE ORVELL TEAM
WRITTEN IN C++20 FOR LINUX

MUSIC
SIX PLACEHOLDER SONGS
COMPOSED AS CODE AND SYNTHESISED
BY OUR OWN TOOLS, SAMPLE BY SAMPLE
NO NOTE OR SOUND TAKEN FROM ELSEWHERE

GRAPHICS
PLACEHOLDER PICTURES DRAWN BY CODE
FONT: DEJAVU SANS BOLD

PLAYED BY
LIBOPENMPT FOR THE MODULES
LIBSNDFILE FOR THE STREAMS
SDL2 FOR THE SOUND CARD

GREETINGS
TO EVERY TRACKER MUSICIAN
WHO EVER FILLED A PATTERN
AND TO YOU, FOR LISTENING

THE REAL SONGS ARRIVE SOON
"""


# The disk's songs in play order.
SONGS = [first_light(), copper_bars(), eight_channel_sunday(), night_tram(), paper_kites(),
         last_train_home()]


def disk_config():
    lines = [str(len(SONGS))]
    for song in SONGS:
        lines += ["mod" if song.channels else "stream", song.file, song.title, song.info]
    return "\n".join(lines) + "\n" + CREDITS


def main(argv):
    if len(argv) > 2:
        sys.exit(__doc__)
    out = Path(argv[1]) if len(argv) == 2 else Path(__file__).resolve().parent.parent / "data"
    music = out / "music"
    music.mkdir(parents=True, exist_ok=True)
    for song in SONGS:
        path = music / song.file
        if path.suffix == ".mod":
            path.write_bytes(build_mod(song))
        elif path.suffix.lower() == ".xm":
            path.write_bytes(build_xm(song))
        else:
            encode_stream(song, path)
    (out / "disk.cfg").write_text(disk_config(), encoding="ascii", newline="\n")


if __name__ == "__main__":
    main(sys.argv)
