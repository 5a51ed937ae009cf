# The notation our songs are written in: notes on a grid of sixteenth-note steps, a chord per bar,
# and the helpers that turn short texts (a melody, a drum pattern, a bass rhythm) into notes over
# the song's chords. Both the tracker writers and the stream renderer read a song from here.
from dataclasses import dataclass, field, replace

STEPS_PER_BAR = 16  # a step is a sixteenth note, and one row of a tracker pattern


@dataclass(frozen=True)
class Note:
    step: int
    pitch: int             # MIDI note number; drums ignore it
    length: int            # steps
    velocity: float = 1.0
    arpeggio: int = 0      # tracker arpeggio: two semitone offsets, one per nibble
    vibrato: bool = False  # a held note that starts to waver after its attack
    delay: int = 0         # ticks (of six a step) it comes late: the swing of a lazy offbeat


@dataclass
class Song:
    title: str
    info: str
    file: str
    bpm: int
    # A module's channels: in a ProTracker song a tuple of parts each (the first named wins a
    # step they share), in a FastTracker song one part each; None for a stream.
    channels: list = None
    sounds: dict = field(default_factory=dict)  # part name: the instrument that plays it
    levels: dict = field(default_factory=dict)  # instrument: its level in this song's mix, 1 usual
    ducked: tuple = ()  # the parts of a FastTracker song turned down under each kick
    chords: list = field(default_factory=list)  # one chord name per bar
    parts: dict = field(default_factory=dict)   # part name: notes

    @property
    def steps(self):
        return len(self.chords) * STEPS_PER_BAR

    @property
    def seconds(self):
        return self.steps * 15 / self.bpm

    def section(self, chords):
        """Appends a bar for each chord of 'Am F C G'; returns the range of their bar numbers."""
        first = len(self.chords)
        self.chords.extend(chords.split())
        return range(first, len(self.chords))

    def add(self, part, notes):
        self.parts.setdefault(part, []).extend(notes)

    def sorted_parts(self):
        """Every part's notes in time order, the first of two on one step kept."""
        result = {}
        for part, notes in self.parts.items():
            by_step = {}
            for note in sorted(notes, key=lambda n: n.step):
                by_step.setdefault(note.step, note)
            result[part] = [by_step[s] for s in sorted(by_step)]
        return result


PITCH_CLASSES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}
# Chord qualities by the suffix of their name, as intervals over the root.
QUALITIES = {"": (0, 4, 7), "m": (0, 3, 7), "7": (0, 4, 7, 10), "maj7": (0, 4, 7, 11),
             "m7": (0, 3, 7, 10), "add9": (0, 4, 7, 14)}


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
    """Root pitch class and the chord's intervals: 'Am' minor, 'F' major, 'Dm7', 'Bbmaj7'..."""
    root, rest = pitch_class(name)
    return root % 12, QUALITIES[rest]


def chord_voicing(name, low, count=3):
    """The chord's first count notes (root, third, fifth, seventh) in the octave from low up."""
    root, intervals = chord_tones(name)
    return sorted(low + (root + interval - low) % 12 for interval in intervals[:count])


def melody(text, bar, velocity=1.0):
    """Notes from bars like 'E5:4 D5:2 C5:2 D5:2 E5:2 A4:4 | ...' starting at bar: a pitch, or
    '-' for a rest, and a length in steps; '~' after the length lets a held note waver. Between
    two bar lines lie whole bars."""
    notes = []
    step = bar * STEPS_PER_BAR
    for bar_text in text.split("|"):
        for token in bar_text.split():
            name, length = token.split(":")
            vibrato = length.endswith("~")
            length = int(length.rstrip("~"))
            if name != "-":
                notes.append(Note(step, pitch(name), length, velocity, vibrato=vibrato))
            step += length
        if step % STEPS_PER_BAR:
            raise ValueError(f"{bar_text!r} in {text!r} is not whole bars")
    return notes


def drum_hits(pattern, bars, swing=0):
    """One hit per letter of a 16-step bar pattern: upper case full, lower case softer. With
    swing, the hits on the off-beat eighths (steps 2, 6, 10, 14) come that many ticks late."""
    if len(pattern) != STEPS_PER_BAR:
        raise ValueError(f"{pattern!r} is not one bar")
    return [Note(bar * STEPS_PER_BAR + i, 60, 1, 1.0 if c.isupper() else 0.55,
                 delay=swing if i % 4 == 2 else 0)
            for bar in bars for i, c in enumerate(pattern) if c != "."]


def bass_line(song, rhythm, bars, low=36, velocity=1.0):
    """A bass line over the song's chords: 'R:3 5:2 O:2 -:1 ...' plays the root, third (3), fifth
    (5), seventh (7, a minor one over a triad), the octave (O) or the fifth below (V), or rests,
    for so many steps; the root sits from low up."""
    notes = []
    for bar in bars:
        root, intervals = chord_tones(song.chords[bar])
        base = low + (root - low) % 12
        seventh = intervals[3] if len(intervals) > 3 else 10
        offsets = {"R": 0, "3": intervals[1], "5": intervals[2], "7": seventh, "O": 12,
                   "V": intervals[2] - 12}
        step = bar * STEPS_PER_BAR
        for token in rhythm.split():
            degree, length = token.split(":")
            if degree != "-":
                notes.append(Note(step, base + offsets[degree], int(length), velocity))
            step += int(length)
        if step != (bar + 1) * STEPS_PER_BAR:
            raise ValueError(f"{rhythm!r} is not one bar")
    return notes


def pad_voices(song, bars, low, velocity=1.0, voices=3):
    """Held chords, one list of notes per voice, each chord voiced from low up. A voice whose
    note stays from one chord to the next holds it rather than strike it again."""
    lines = [[] for _ in range(voices)]
    for bar in bars:
        for line, note in zip(lines, chord_voicing(song.chords[bar], low, voices)):
            step = bar * STEPS_PER_BAR
            if line and line[-1].pitch == note and line[-1].step + line[-1].length == step:
                line[-1] = replace(line[-1], length=line[-1].length + STEPS_PER_BAR)
            else:
                line.append(Note(step, note, STEPS_PER_BAR, velocity))
    return lines


def broken_chords(song, bars, low, order=(0, 1, 2, 3, 1, 2, 3, 2), step_length=2, velocity=0.7,
                  accents=()):
    """The chord's notes one after another, one per step_length: 0 to 2 are root, third and fifth
    from low up, 3 to 5 the same an octave higher. Notes at the accented places of a bar play
    at full velocity."""
    notes = []
    for bar in bars:
        tones = chord_voicing(song.chords[bar], low)
        tones += [t + 12 for t in tones]
        for i in range(STEPS_PER_BAR // step_length):
            loud = 1.0 if i in accents else velocity
            notes.append(Note(bar * STEPS_PER_BAR + i * step_length,
                              tones[order[i % len(order)]], step_length, loud))
    return notes


def chord_stabs(song, bars, rhythm, low, velocity=1.0):
    """One note per stab of a 16-step rhythm ('X..X..x.' upper case full, lower soft), held to
    the next, carrying the bar's chord as a tracker arpeggio over its root from low up."""
    notes = []
    for bar in bars:
        root, intervals = chord_tones(song.chords[bar])
        steps = [i for i, c in enumerate(rhythm) if c != "."] + [STEPS_PER_BAR]
        for i, j in zip(steps, steps[1:]):
            loud = velocity if rhythm[i].isupper() else 0.6 * velocity
            notes.append(Note(bar * STEPS_PER_BAR + i, low + (root - low) % 12, j - i, loud,
                              arpeggio=intervals[1] << 4 | intervals[2]))
    return notes


def delayed(notes, steps, velocity, end):
    """An echo of a line: later and softer, cut at the end of the song."""
    return [replace(n, step=n.step + steps, length=min(n.length, end - n.step - steps),
                    velocity=n.velocity * velocity)
            for n in notes if n.step + steps < end]
