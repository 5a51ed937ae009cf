#!/usr/bin/python3
# Composes the demo disk's six songs and writes them: ProTracker and FastTracker 2 modules built
# byte by byte, two streams rendered here and encoded with Debian's oggenc and flac, and disk.cfg
# listing them with their texts and the credits. Same bytes on every run.
"""Usage: make_music.py [OUTPUT_DIR]   (default: the data/ folder of this checkout)"""

import sys
from pathlib import Path

from module_render import build_mod, build_xm
from score import (STEPS_PER_BAR, Note, Song, bass_line, broken_chords, chord_stabs, chord_tones,
                   delayed, drum_hits, melody, pad_voices)
from stream_render import encode_stream


def drums(song, bars, swing=0, **patterns):
    """A bar's pattern for each drum, named by its part, repeated over bars; with swing, the
    off-beat eighths come that many ticks late."""
    for part, pattern in patterns.items():
        song.add(part, drum_hits(pattern, bars, swing))


def crashes(song, *bars):
    song.add("crash", drum_hits("C...............", bars))


def comp(song, bars, low, rhythm, tone, velocity=0.8):
    """One voice of a comping keyboard: tone (0 root, 1 third, 2 fifth, 3 seventh) of each bar's
    chord, voiced from low up, struck on the rhythm's letters and held to the next."""
    notes = []
    hits = [i for i, c in enumerate(rhythm) if c != "."] + [STEPS_PER_BAR]
    for bar in bars:
        root, intervals = chord_tones(song.chords[bar])
        note = low + (root + intervals[tone] - low) % 12
        for i, j in zip(hits, hits[1:]):
            loud = velocity if rhythm[i].isupper() else 0.6 * velocity
            notes.append(Note(bar * STEPS_PER_BAR + i, note, j - i, loud))
    return notes


def last_bar(song):
    return range(len(song.chords) - 1, len(song.chords))


# ---------------------------------------------------------------------------------------------
# The songs


def first_light():
    song = Song(
        "First Light Over the Sleeping Harbour",
        "Tomas wrote this one on the night ferry, waiting for the harbour lights to go out one by "
        "one. Four channels and nothing more, the way the old machines did it: one channel for "
        "all the drums, a plucky bass, chords rattled out as fast arpeggios and a pulse lead that "
        "sings over them. It climbs to a chorus, drifts through a quiet bridge and comes home to "
        "A minor as the sun comes up.",
        "first_light.mod", 125,
        [("crash", "kick", "snare", "hat"), ("kick", "bass"), ("chip",), ("lead",)],
        {"crash": "kick_crash", "bass": "saw_bass", "lead": "pulse_lead"},
        # The kick plays on the drum and the bass channel at once, so it stands in the middle and
        # the bass makes way for it on its steps; its level leaves room for the bass, chords and
        # lead, which carry the tune.
        levels={"kick": 0.8, "kick_crash": 0.8, "snare": 0.96, "hat": 0.96, "saw_bass": 1.25,
                "chip": 1.05, "pulse_lead": 0.96})
    intro = song.section("Am F C G")
    verse = song.section("Am F C G Am F G E")
    chorus = song.section("F G Em Am Dm G C E")
    verse2 = song.section("Am F C G Am F G E")
    bridge = song.section("Dm Am Dm E")
    chorus2 = song.section("F G Em Am Dm G C E")
    outro = song.section("Am F G Am")
    end = last_bar(song)

    crashes(song, verse[0], chorus[0], verse2[0], chorus2[0], outro[0], end[0])
    drums(song, intro[2:], hat="..h...h...h...h.")
    drums(song, intro[3:], kick="K.......K.......", snare="............SsSS")
    for section in (verse, verse2):
        drums(song, section, kick="K.......K.......", hat="..h...h...h...h.")
        drums(song, section[3::4], kick="..........K.....")
        drums(song, section[:-1], snare="....S.......S...")
        drums(song, section[-1:], snare="....S.......SsSS")
    for section in (chorus, chorus2):
        drums(song, section, kick="K.......K.......", hat="hhHhhhHhhhHhhhHh")
        drums(song, section[:-1], snare="....S.......S...")
        drums(song, section[-1:], snare="....S...S.SsSSSS")
    drums(song, bridge, kick="K.........K.....", hat="..h...h...h...h.")
    drums(song, bridge[-1:], snare="S.s.S.s.SsSsSSSS")
    drums(song, outro[:-1], kick="K.......K.......", snare="....S.......S...",
          hat="..h...h...h...h.")

    song.add("bass", bass_line(song, "R:2 -:2 R:2 -:2 R:2 -:2 5:2 O:2", intro[2:], low=33))
    for section in (verse, verse2):
        song.add("bass", bass_line(song, "R:2 -:1 R:1 O:2 R:2 -:2 R:2 5:2 O:2", section, low=33))
    for section in (chorus, chorus2):
        song.add("bass", bass_line(song, "R:2 R:2 O:2 R:2 R:2 O:2 5:2 O:2", section, low=33))
    song.add("bass", bass_line(song, "R:8 V:4 R:4", bridge, low=33))
    song.add("bass", bass_line(song, "R:2 -:1 R:1 O:2 R:2 -:2 R:2 5:2 O:2", outro[:-1], low=33))
    song.add("bass", bass_line(song, "R:16", end, low=33))

    song.add("chip", chord_stabs(song, intro, "X...............", 62, 0.8))
    for section in (verse, verse2):
        song.add("chip", chord_stabs(song, section, "X..X..X...X..x..", 62))
    for section in (chorus, chorus2):
        song.add("chip", chord_stabs(song, section, "X.......X.......", 62))
    song.add("chip", chord_stabs(song, bridge, "X...............", 62, 0.7))
    song.add("chip", chord_stabs(song, outro[:-1], "X..X..X...X..x..", 62))
    song.add("chip", chord_stabs(song, end, "X...............", 62))

    theme = ("E5:4 D5:2 C5:2 D5:2 E5:2 A4:4 | F5:4 E5:2 D5:2 C5:4 A4:4 | "
             "G4:2 C5:2 E5:2 G5:2 E5:4 D5:2 C5:2 | D5:12~ -:4 | ")
    song.add("lead", melody(
        theme + "E5:4 D5:2 C5:2 D5:2 E5:2 A5:4 | A5:4 G5:2 F5:2 E5:4 C5:4 | "
        "D5:2 E5:2 F5:2 G5:2 F5:4 E5:2 D5:2 | E5:12~ -:4", verse[0]))
    refrain = ("A5:6 G5:2 F5:4 C5:4 | D5:4 G5:2 A5:2 B5:4 G5:4 | G5:6 E5:2 B4:4 E5:4 | "
               "C6:6 B5:2 A5:8~ | F5:4 A5:2 F5:2 D5:4 F5:4 | G5:4 B5:2 G5:2 D5:4 B4:4 | "
               "C5:2 E5:2 G5:2 C6:2 B5:4 G5:4 | G#5:12~ -:4")
    song.add("lead", melody(refrain, chorus[0]))
    song.add("lead", melody(
        theme + "E5:4 D5:2 C5:2 D5:2 E5:2 C6:4 | A5:4 G5:2 F5:2 A5:4 C6:4 | "
        "B5:2 A5:2 G5:2 F5:2 G5:4 B5:4 | G#5:8~ E5:4 B4:4", verse2[0]))
    song.add("lead", melody("D5:8~ F5:8~ | E5:16~ | F5:8~ A5:8~ | G#5:12~ B5:4", bridge[0]))
    song.add("lead", melody(refrain, chorus2[0]))
    song.add("lead", melody("E5:4 D5:2 C5:2 D5:2 E5:2 A4:4 | F5:4 E5:2 D5:2 C5:4 A4:4 | "
                            "D5:4 B4:2 D5:2 G5:4 B4:4 | A4:16~", outro[0]))
    return song


def copper_bars():
    song = Song(
        "Copper Bars",
        "A fast one in E minor for the moment the raster bars start rolling. Sixteenth-note "
        "plucks bounce between the speakers over a pumping off-beat bass, a wide three-voice pad "
        "holds the chords and a bright pulse lead with its own echo takes the tune. Halfway the "
        "beat drops to half time and the lead slows to long notes, before the chorus comes back "
        "in full.",
        "copper_bars.XM", 140,
        ["kick", "kick", "snare", "hat", "crash", "bass", "arp", "arp_echo", "lead", "echo",
         "pad0", "pad1", "pad2", "chime"],
        {"bass": "saw_bass", "arp": "pluck", "arp_echo": "pluck", "lead": "pulse_lead",
         "echo": "pulse_lead", "chime": "bell"},
        # Fourteen channels at once: the pad and the chimes lead the mix, bass and kick sit back,
        # and everything but the drums ducks under each kick, as dance music pumps.
        levels={"kick": 0.75, "saw_bass": 0.7, "pad": 1.8, "pluck": 1.25, "pulse_lead": 0.95,
                "bell": 1.65},
        ducked=("bass", "arp", "arp_echo", "lead", "echo", "pad0", "pad1", "pad2", "chime"))
    intro = song.section("Em C G D Em C G D")
    verse = song.section("Em C G D Em C G D")
    chorus = song.section("Am C Em D Am C B B")
    breakdown = song.section("Em C G D Em C G D")
    chorus2 = song.section("Am C Em D Am C B B")
    outro = song.section("Em C D Em")
    end = last_bar(song)

    crashes(song, intro[4], verse[0], chorus[0], breakdown[0], chorus2[0], outro[0], end[0])
    drums(song, intro[4:], kick="K.......K.......", hat="..h...h...h...h.")
    drums(song, intro[-1:], snare="........s.s.SsSS")
    drums(song, verse, kick="K.......K.......", hat="h.H.h.H.h.H.h.H.")
    drums(song, verse[3::4], kick="......k...K.....")
    drums(song, verse[:-1], snare="....S.......S...")
    drums(song, verse[-1:], snare="....S.......SsSS")
    for section in (chorus, chorus2):
        drums(song, section, kick="K.......K.......", hat="hhHhhhHhhhHhhhHh")
        drums(song, section[:-1], snare="....S.......S...")
        drums(song, section[-1:], snare="....S...SsSsSSSS")
    drums(song, breakdown, kick="K...............", hat="..h...h...h...h.")
    drums(song, breakdown[:-1], snare="........S.......")
    drums(song, breakdown[-1:], snare="S.s.S.s.SsSsSSSS")
    drums(song, outro[:-1], kick="K.......K.......", snare="....S.......S...",
          hat="h.H.h.H.h.H.h.H.")

    song.add("bass", bass_line(song, "-:2 R:2 -:2 R:2 -:2 R:2 -:2 R:2", intro[4:], low=40))
    song.add("bass", bass_line(song, "-:2 R:1 R:1 O:2 R:2 -:2 R:2 O:2 5:2", verse, low=40))
    for section in (chorus, chorus2):
        song.add("bass", bass_line(song, "-:2 R:2 -:2 O:2 -:2 R:2 -:2 O:2", section, low=40))
    song.add("bass", bass_line(song, "R:12 V:4", breakdown, low=40))
    song.add("bass", bass_line(song, "-:2 R:1 R:1 O:2 R:2 -:2 R:2 O:2 5:2", outro[:-1], low=40))
    song.add("bass", bass_line(song, "R:16", end, low=40))

    arp_order = (0, 1, 2, 3, 4, 3, 2, 1)
    for section, loud in ((intro, 0.55), (verse, 0.6), (chorus, 0.7), (breakdown, 0.6),
                          (chorus2, 0.7), (outro[:-1], 0.6)):
        arp = broken_chords(song, section, 66, arp_order, 1, loud, accents=(0, 8))
        song.add("arp", arp)
        if section in (intro, breakdown):
            song.add("arp_echo", delayed(arp, 3, 0.5, song.steps))
    for section, loud in ((intro, 0.6), (verse, 0.5), (chorus, 0.8), (breakdown, 0.9),
                          (chorus2, 0.8), (outro, 0.7)):
        for i, voice in enumerate(pad_voices(song, section, 64, loud)):
            song.add(f"pad{i}", voice)

    song.add("lead", melody(
        "B4:2 E5:2 G5:2 B5:4 A5:2 G5:2 F#5:2 | E5:6 G5:2 E5:4 C5:4 | "
        "D5:2 G5:2 B5:2 D6:2 B5:4 A5:2 G5:2 | F#5:12~ D5:4 | "
        "B4:2 E5:2 G5:2 B5:4 A5:2 G5:2 F#5:2 | E5:6 G5:2 C6:4 B5:4 | "
        "B5:4 A5:2 G5:2 D5:4 G5:4 | A5:12~ -:4", verse[0]))
    refrain = ("C6:4 B5:2 A5:2 E5:4 A5:4 | G5:6 E5:2 C5:4 G5:4 | B5:6 G5:2 E5:4 B4:4 | "
               "A5:4 F#5:4 D5:4 F#5:4 | C6:4 B5:2 A5:2 E6:4 C6:4 | G5:6 A5:2 B5:4 C6:4 | "
               "B5:4 F#5:2 D#5:2 F#5:4 A5:4 | B5:12~ -:4")
    song.add("lead", melody(refrain, chorus[0]))
    song.add("lead", melody("E5:8~ G5:8~ | E5:16~ | D5:8~ G5:8~ | F#5:16~ | B5:8~ A5:8~ | "
                            "G5:12~ E5:4 | D5:8~ G5:8~ | A5:16~", breakdown[0], 0.85))
    song.add("lead", melody(refrain, chorus2[0]))
    song.add("chime", melody("A6:8 E6:8 | G6:8 E6:8 | G6:8 B6:8 | F#6:16 | A6:8 E6:8 | "
                             "G6:8 C7:8 | B6:8 F#6:8 | D#6:16", chorus2[0], 0.85))
    song.add("lead", melody("B4:2 E5:2 G5:2 B5:4 A5:2 G5:2 F#5:2 | E5:6 G5:2 E5:4 C5:4 | "
                            "D5:4 F#5:4 A5:4 F#5:4 | E5:16~", outro[0]))
    song.add("echo", delayed(song.parts["lead"], 3, 0.5, song.steps))
    return song


def eight_channel_sunday():
    song = Song(
        "Eight Channel Sunday",
        "A lazy Sunday morning in F major, nobody in a hurry. The hi-hats swing late and the "
        "chords are played as jazz pianists play them, just the third and the seventh, one on "
        "each side. Kick, snare "
        "and bass each play on a left and a right channel at once so they sit in the middle, and "
        "a breathy flute answers itself from the other side: the tracker's own echo, written "
        "note by note into the patterns.",
        "eight_channel_sunday.mod", 100,
        # Amiga panning puts channels 1, 4, 5 and 8 left, the others right. The kick takes the
        # bass channels' steps too, so it stands out from the bass where the beat detector hears.
        [("kick", "snare", "hat"), ("kick", "snare", "hat"), ("kick", "bass"), ("kick", "bass"),
         ("lead",), ("echo",), ("keys_high",), ("keys_low",)],
        {"bass": "round_bass", "lead": "flute_lead", "echo": "flute_lead", "keys_high": "keys",
         "keys_low": "keys"})
    intro = song.section("Fmaj7 Dm7 Bbmaj7 C7")
    verse = song.section("Fmaj7 Dm7 Bbmaj7 C7 Fmaj7 Am7 Bbmaj7 C7")
    chorus = song.section("Bbmaj7 C7 Am7 Dm7 Gm7 C7 Fmaj7 C7")
    verse2 = song.section("Fmaj7 Dm7 Bbmaj7 C7 Fmaj7 Am7 Bbmaj7 C7")
    chorus2 = song.section("Bbmaj7 C7 Am7 Dm7 Gm7 C7 Fmaj7 C7")
    outro = song.section("Bbmaj7 C7 Fmaj7 Fmaj7")
    end = last_bar(song)
    # Of six ticks: the off-beat eighths come half a sixteenth late. A ProTracker note has one
    # effect, either its delay or a softer volume, so the swung hats are the full ones.
    swing = 3

    drums(song, intro, swing, hat="..H...H...H...H.")
    drums(song, intro[2:], kick="K.........K.....")
    drums(song, intro[-1:], snare="............s.sS")
    for section in (verse, verse2):
        drums(song, section, kick="K.....k...K.....")
        drums(song, section, swing, hat="h.H.h.H.h.H.h.H.")
        drums(song, section[:-1], snare="....S.......S...")
        drums(song, section[-1:], snare="....S.......SsSs")
    for section in (chorus, chorus2):
        drums(song, section, kick="K.....k.K.k.....")
        drums(song, section, swing, hat="h.H.h.H.h.H.h.H.")
        drums(song, section[:-1], snare="....S.......S..s")
        drums(song, section[-1:], snare="....S...s.SsSsSS")
    drums(song, outro[:-1], kick="K.....k...K.....", snare="....S.......S...")
    drums(song, outro[:-1], swing, hat="h.H.h.H.h.H.h.H.")
    drums(song, end, kick="K...............")

    song.add("bass", bass_line(song, "R:8 5:8", intro[2:], low=36, velocity=0.8))
    for section in (verse, verse2):
        song.add("bass", bass_line(song, "R:4 -:2 R:2 5:4 3:2 V:2", section, low=36))
    for section in (chorus, chorus2):
        song.add("bass", bass_line(song, "R:4 3:4 5:4 O:2 5:2", section, low=36))
    song.add("bass", bass_line(song, "R:4 -:2 R:2 5:4 3:2 V:2", outro[:-1], low=36))
    song.add("bass", bass_line(song, "R:16", end, low=36))

    for section, rhythm in ((intro, "X.....X........."), (verse, "X.....X...x....."),
                            (chorus, "X.....X.X...x..."), (verse2, "X.....X...x....."),
                            (chorus2, "X.....X.X...x..."), (outro[:-1], "X.....X...x....."),
                            (end, "X...............")):
        song.add("keys_low", comp(song, section, 64, rhythm, 1))
        song.add("keys_high", comp(song, section, 67, rhythm, 3))

    verse_start = ("-:4 A4:2 C5:2 E5:6 D5:2 | C5:4 A4:2 F5:2 -:2 E5:2 D5:4 | "
                   "D5:6 C5:2 A4:4 F4:4 | G4:12~ -:4 | ")
    refrain = ("F5:4 D5:2 F5:2 A5:6 G5:2 | G5:4 E5:2 G5:2 Bb5:6 A5:2 | "
               "A5:4 E5:2 C5:2 E5:4 G5:4 | F5:12~ -:4 | D5:4 Bb4:2 D5:2 F5:4 A5:4 | "
               "G5:4 E5:2 C5:2 E5:2 G5:2 Bb5:4 | A5:12~ G5:2 F5:2 | E5:4 G5:4 C5:8~")
    song.add("lead", melody("F5:8~ E5:4 C5:4 | D5:8~ E5:4 G5:4", intro[2], 0.8))
    song.add("lead", melody(verse_start + "-:4 A4:2 C5:2 E5:6 F5:2 | G5:4 E5:2 C5:2 -:2 A4:2 "
                            "C5:4 | D5:4 F5:4 A5:4 G5:2 F5:2 | E5:12~ -:4", verse[0]))
    song.add("lead", melody(refrain, chorus[0]))
    song.add("lead", melody(verse_start + "-:4 A5:2 G5:2 E5:6 F5:2 | E5:4 C5:2 A4:2 -:2 C5:2 "
                            "E5:4 | F5:4 D5:2 Bb4:2 D5:4 F5:4 | G5:12~ -:4", verse2[0]))
    song.add("lead", melody(refrain, chorus2[0]))
    # The last time round the flute climbs an octave, up to the top of its range.
    song.add("lead", melody("F5:4 A5:2 C6:2 F6:6 E6:2 | E6:4 C6:2 E6:2 D6:4 C6:2 Bb5:2 | "
                            "A5:12~ G5:4 | F5:16", outro[0]))
    song.add("echo", delayed(song.parts["lead"], 3, 0.45, song.steps))
    return song


def night_tram():
    song = Song(
        "Night Tram",
        "The last tram crosses the sleeping city in D minor. Bells pick out every chord like "
        "the lights of empty stops going by, a round bass rolls along the rails and a lonely "
        "pulse lead looks out of the window, its echo trailing on the other side. After the "
        "second chorus the drums fall silent for a stop or two before the ride goes on.",
        "night_tram.XM", 112,
        ["kick", "kick", "snare", "hat", "crash", "bass", "bell", "lead", "echo", "pad0",
         "pad1", "pad2", "chime", "horn"],
        {"bass": "round_bass", "lead": "pulse_lead", "echo": "pulse_lead", "chime": "bell",
         "horn": "flute_lead"},
        levels={"snare": 0.96, "hat": 0.96, "crash": 0.96, "round_bass": 0.77, "pad": 1.15,
                "bell": 1.25, "pulse_lead": 0.77, "flute_lead": 0.96})
    intro = song.section("Dm Bb Gm A")
    verse = song.section("Dm Bb Gm A Dm Bb Gm A")
    chorus = song.section("Gm Dm Bb A Gm Dm Eb A")
    interlude = song.section("Dm Bb Gm A")
    verse2 = song.section("Dm Bb Gm A Dm Bb Gm A")
    chorus2 = song.section("Gm Dm Bb A Gm Dm Eb A")
    outro = song.section("Dm Bb A Dm")
    end = last_bar(song)

    crashes(song, verse[0], chorus[0], verse2[0], chorus2[0], outro[0])
    drums(song, intro[-1:], snare="........s.s.sSsS")
    for section in (verse, verse2):
        drums(song, section, kick="K.......K..k....", hat="h.hHh.hHh.hHh.hH")
        drums(song, section[:-1], snare="....S.......S...")
        drums(song, section[-1:], snare="....S.......SsSS")
    for section in (chorus, chorus2):
        drums(song, section, kick="K.......K..k..k.", hat="hhhHhhhHhhhHhhhH")
        drums(song, section[:-1], snare="....S.......S...")
        drums(song, section[-1:], snare="....S...S.SsSSSS")
    drums(song, interlude, kick="K...............", hat="..h...h...h...h.")
    drums(song, interlude[-1:], snare="............sSSS")
    drums(song, outro[:-1], kick="K.......K..k....", snare="....S.......S...",
          hat="h.hHh.hHh.hHh.hH")
    drums(song, end, kick="K...............")

    for section in (verse, verse2, outro[:-1]):
        song.add("bass", bass_line(song, "R:4 R:2 -:2 5:2 O:2 R:2 V:2", section, low=38))
    for section in (chorus, chorus2):
        song.add("bass", bass_line(song, "R:2 R:2 O:2 R:2 -:2 R:2 5:2 O:2", section, low=38))
    song.add("bass", bass_line(song, "R:12 V:4", interlude, low=38))
    song.add("bass", bass_line(song, "R:16", end, low=38))

    for section in (intro, verse, chorus, interlude, verse2, chorus2, outro[:-1]):
        song.add("bell", broken_chords(song, section, 65, velocity=0.65, accents=(0, 4)))
    song.add("bell", [Note(end[0] * STEPS_PER_BAR, 74, STEPS_PER_BAR)])
    # The tram's own chime, two notes at the start of each journey.
    song.add("chime", melody("D6:2 A5:14 | -:16", intro[0], 0.8))
    song.add("chime", melody("D6:2 A5:14 | -:16", interlude[0], 0.8))
    song.add("chime", melody("D6:2 A5:14", end[0], 0.6))
    for section, loud in ((intro, 0.8), (verse, 0.5), (chorus, 0.7), (interlude, 0.9),
                          (verse2, 0.5), (chorus2, 0.7), (outro, 0.7)):
        for i, voice in enumerate(pad_voices(song, section, 65, loud)):
            song.add(f"pad{i}", voice)

    theme = ("D5:4 F5:2 A5:2 G5:4 F5:4 | D5:6 F5:2 Bb5:4 A5:4 | "
             "G5:2 F5:2 D5:2 Bb4:2 D5:4 G5:4 | E5:4 C#5:4 A4:8~ | "
             "A5:4 G5:2 F5:2 E5:4 D5:4 | F5:6 G5:2 F5:4 D5:4 | "
             "Bb4:4 D5:4 G5:4 F5:2 E5:2 | C#5:8~ E5:4 A5:4")
    refrain = ("Bb5:6 A5:2 G5:4 D5:4 | A5:6 F5:2 D5:8~ | D6:4 C6:2 Bb5:2 F5:4 D5:4 | "
               "C#6:8~ E6:4 A5:4 | G5:4 Bb5:2 D6:2 C6:4 Bb5:4 | A5:4 F5:2 A5:2 D6:8~ | "
               "Eb6:4 D6:2 C6:2 Bb5:4 G5:4 | A5:12~ -:4")
    for section, text in ((verse, theme), (chorus, refrain), (verse2, theme),
                          (chorus2, refrain)):
        song.add("lead", melody(text, section[0]))
    song.add("lead", melody("D5:4 F5:2 A5:2 G5:4 F5:4 | D5:6 F5:2 Bb5:4 A5:4 | "
                            "E5:4 C#5:4 A4:8 | D5:16~", outro[0]))
    # A distant horn across the river while the drums rest.
    song.add("horn", melody("A4:8~ F4:8~ | F4:8~ D4:8~ | D4:8~ Bb4:8~ | C#5:12~ -:4",
                            interlude[0], 0.8))
    song.add("echo", delayed(song.parts["lead"], 3, 0.5, song.steps))
    return song


def paper_kites():
    song = Song(
        "Paper Kites",
        "A slow, bright afternoon in G major, rendered sample by sample by our own synthesiser "
        "and stored as Ogg Vorbis. A plucked lead with a dotted echo tugs at the tune like a "
        "kite at its string, bells answer it from above, and a wide pad of three detuned voices "
        "breathes under everything. In the middle the drums let go and only the wind is left.",
        "paper_kites.ogg", 96,
        sounds={"bass": "round_bass", "lead": "pluck", "counter": "bell", "arp": "pluck"})
    intro = song.section("Gadd9 Em7 Cmaj7 D")
    verse = song.section("G Em C D G Em C D")
    chorus = song.section("C D Bm Em C D G G")
    breakdown = song.section("Em C G D")
    verse2 = song.section("G Em C D G Em C D")
    chorus2 = song.section("C D Bm Em C D G G")
    outro = song.section("C D G G")

    crashes(song, verse[0], chorus[0], verse2[0], chorus2[0], outro[0])
    drums(song, intro[2:], hat="..h...h...h...h.")
    drums(song, intro[-1:], snare="............s.sS")
    for section in (verse, verse2):
        drums(song, section, kick="K.......K.....k.", hat="h.H.h.H.h.H.h.Hh")
        drums(song, section[:-1], snare="....S.......S...")
        drums(song, section[-1:], snare="....S.......SsSS")
    for section in (chorus, chorus2):
        drums(song, section, kick="K.......K.k.....", hat="h.H.h.H.h.H.h.H.",
              open_hat="..............O.")
        drums(song, section[:-1], snare="....S.......S...")
        drums(song, section[-1:], snare="....S...S.s.SsSS")
    drums(song, breakdown[-1:], snare="........s.s.sSsS")
    drums(song, outro[:-1], kick="K.......K.....k.", snare="....S.......S...",
          hat="h.H.h.H.h.H.h.Hh")
    drums(song, outro[-1:], kick="K...............")

    for section in (verse, verse2, outro[:-1]):
        song.add("bass", bass_line(song, "R:6 R:2 5:4 O:4", section, low=36))
    for section in (chorus, chorus2):
        song.add("bass", bass_line(song, "R:4 R:2 5:2 O:4 5:2 3:2", section, low=36))
    song.add("bass", bass_line(song, "R:8 5:8", intro[2:], low=36, velocity=0.8))
    song.add("bass", bass_line(song, "R:16", breakdown, low=36, velocity=0.7))
    song.add("bass", bass_line(song, "R:16", outro[-1:], low=36))

    for section, loud in ((intro, 0.8), (verse, 0.6), (chorus, 0.9), (breakdown, 1.0),
                          (verse2, 0.6), (chorus2, 0.9), (outro, 0.8)):
        for i, voice in enumerate(pad_voices(song, section, 65, loud)):
            song.add(f"pad{i}", voice)
    song.add("arp", broken_chords(song, intro, 62, (0, 1, 2, 4, 3, 2, 1, 2), 2, 0.6))
    song.add("arp", broken_chords(song, breakdown, 62, (0, 1, 2, 4, 3, 2, 1, 2), 2, 0.7))

    theme = ("B4:4 D5:4 G5:6 F#5:2 | E5:4 G5:2 F#5:2 E5:4 B4:4 | "
             "C5:4 E5:2 G5:2 A5:4 G5:2 E5:2 | F#5:8 D5:4 A4:4 | "
             "G5:4 B5:2 A5:2 G5:4 D5:4 | E5:6 F#5:2 G5:4 B5:4 | "
             "A5:4 G5:2 E5:2 C5:4 E5:4 | D5:12 -:4")
    refrain = ("E5:2 G5:2 C6:4 B5:4 G5:4 | A5:2 F#5:2 D5:4 A5:4 F#5:4 | "
               "B5:6 A5:2 F#5:4 D5:4 | G5:6 F#5:2 E5:8 | E5:2 G5:2 C6:4 B5:4 C6:4 | "
               "D6:4 C6:2 B5:2 A5:4 F#5:4 | G5:16 | -:16")
    for section, text in ((verse, theme), (chorus, refrain), (verse2, theme),
                          (chorus2, refrain)):
        song.add("lead", melody(text, section[0]))
    song.add("lead", melody("E5:2 G5:2 C6:4 B5:4 G5:4 | A5:2 F#5:2 D5:4 A5:4 F#5:4 | G5:16 | "
                            "-:16", outro[0]))
    bells = "G6:8 E6:8 | D6:8 B5:8 | C6:8 E6:8 | D6:16 | "
    song.add("counter", melody(bells + "G6:8 E6:8 | D6:8 B5:8 | E6:8 G6:8 | F#6:16",
                               chorus2[0], 0.7))
    song.add("counter", melody("B5:8 G5:8 | E6:8 C6:8 | D6:8 B5:8 | A5:16", breakdown[0]))
    song.add("counter", melody("B5:16 | -:16", outro[-2]))
    return song


def last_train_home():
    song = Song(
        "Last Train Home",
        "The bright one in C major, at a brisk 132 beats a minute: the carriage is warm, the "
        "night outside is fast and somebody is waiting at the station. A pulse lead with a "
        "bouncing echo, a bass that runs in octaves, plucked chords and open hi-hats on the off "
        "beats. Rendered by our own synthesiser and stored losslessly as FLAC, in mono at 22 kHz "
        "so that it stays small.",
        "last_train_home.flac", 132,
        sounds={"bass": "saw_bass", "lead": "pulse_lead", "arp": "pluck"})
    intro = song.section("C G Am F")
    verse = song.section("C G Am F C G F G")
    chorus = song.section("F G Em Am F G C C")
    verse2 = song.section("C G Am F C G F G")
    chorus2 = song.section("F G Em Am F G C C")
    outro = song.section("F G C C")
    end = last_bar(song)

    crashes(song, intro[2], verse[0], chorus[0], verse2[0], chorus2[0], outro[0], end[0])
    drums(song, intro[2:], kick="K.......K.......", hat="h.h.h.h.h.h.h.h.")
    drums(song, intro[-1:], snare="....S.......SsSS")
    for section in (verse, verse2):
        drums(song, section, kick="K.......K.......", hat="hHhHhHhHhHhHhHhH")
        drums(song, section[:-1], snare="....S.......S...")
        drums(song, section[-1:], snare="....S.......SsSs")
    for section in (chorus, chorus2):
        drums(song, section, kick="K.......K.......", hat="hh.hhh.hhh.hhh.h",
              open_hat="..O...O...O...O.")
        drums(song, section[:-1], snare="....S.......S...")
        drums(song, section[-1:], snare="....S...S.SsSSSS")
    drums(song, outro[:-1], kick="K.......K.......", snare="....S.......S...",
          hat="hHhHhHhHhHhHhHhH")
    drums(song, end, kick="K...............")

    song.add("bass", bass_line(song, "R:4 R:4 R:4 5:2 O:2", intro[2:], low=36, velocity=0.8))
    for section in (verse, verse2, chorus, chorus2, outro[:-1]):
        song.add("bass", bass_line(song, "R:2 O:2 R:2 O:2 R:2 O:2 5:2 O:2", section, low=36))
    song.add("bass", bass_line(song, "R:16", end, low=36))

    for section, loud in ((intro, 0.8), (verse, 0.55), (chorus, 0.6), (verse2, 0.55),
                          (chorus2, 0.6), (outro, 0.6)):
        song.add("arp", broken_chords(song, section, 64, (0, 1, 2, 3, 1, 2, 4, 2), 2, loud,
                                      accents=(0, 3, 6)))
    for section in (chorus, chorus2, outro):
        for i, voice in enumerate(pad_voices(song, section, 65, 0.7)):
            song.add(f"pad{i}", voice)

    theme = ("E5:2 G5:2 C6:4 B5:2 G5:2 E5:4 | D5:6 G5:2 B5:4 D6:4 | "
             "C6:4 B5:2 A5:2 E5:4 C5:4 | F5:2 G5:2 A5:2 C6:2 A5:8 | "
             "G5:4 E5:2 G5:2 C6:4 G5:4 | B5:6 A5:2 G5:4 D5:4 | "
             "A5:4 C6:2 A5:2 F5:4 A5:4 | G5:4 B5:4 D6:8")
    refrain = ("A5:4 C6:4 F6:6 E6:2 | D6:4 B5:2 G5:2 D6:4 B5:4 | E6:6 D6:2 B5:4 G5:4 | "
               "C6:4 A5:2 E5:2 A5:8 | F5:2 A5:2 C6:2 F6:2 E6:4 C6:4 | "
               "D6:4 B5:2 D6:2 G6:4 F6:4 | E6:12 D6:2 C6:2 | C6:8 G5:4 E5:4")
    for section, text in ((verse, theme), (chorus, refrain), (verse2, theme),
                          (chorus2, refrain)):
        song.add("lead", melody(text, section[0]))
    song.add("lead", melody("A5:4 C6:4 F6:6 E6:2 | D6:4 B5:2 G5:2 D6:4 B5:4 | C6:16 | -:16",
                            outro[0]))
    return song


# ---------------------------------------------------------------------------------------------
# The disk


CREDITS = """ORVELL
A MUSIC DISK BY ORVELL TEAM

CODE
MIRA KESTREL
BRAM OKAFOR

MUSIC
TOMAS VEY
SIX SONGS COMPOSED AS CODE
EVERY SOUND SYNTHESISED BY OUR OWN TOOLS

GRAPHICS AND FONT
INES HALLORAN

TESTING
NOOR LINDQVIST

PLAYED BY
LIBOPENMPT FOR THE MODULES
LIBSNDFILE FOR THE STREAMS
SDL2 FOR THE SOUND CARD

GREETINGS
HALCYON DRIFT
THE PAPER LANTERN CREW
NORTHBOUND
SIGNAL AND NOISE
GLASSWING SOUNDWORKS

THANKS
TO EVERY TRACKER MUSICIAN
WHO EVER FILLED A PATTERN
AND TO YOU, FOR LISTENING

ORVELL TEAM SIGNING OFF
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
