# Byte-level writers of the two tracker formats on the disk: ProTracker modules (the 4-channel
# "M.K." layout and the "NCHN" layout of more channels) and FastTracker 2 extended modules.
# Patterns are lists of rows, each row one cell per channel.
import struct
from dataclasses import dataclass, field

import numpy as np

# The Amiga's sample rate for a note is this clock over the note's period.
AMIGA_CLOCK = 3546895.0

# ProTracker's periods without finetune, C-1 to B-3: the only notes it plays.
MOD_PERIODS = [
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
    428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
    214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113,
]


def mod_rate(note):
    """The rate in Hz at which ProTracker plays a sample for note (0 = C-1 to 35 = B-3)."""
    return AMIGA_CLOCK / MOD_PERIODS[note]


def text_field(text, size):
    raw = text.encode("ascii")
    if len(raw) > size:
        raise ValueError(f"{text!r} is longer than {size} bytes")
    return raw.ljust(size, b"\0")


@dataclass
class ModSample:
    name: str
    data: np.ndarray          # int8, even length
    volume: int = 64          # 0 to 64
    loop_start: int = 0       # samples, even
    loop_length: int = 0      # samples, even; 0 plays once


@dataclass
class ModCell:
    note: int | None = None   # 0 = C-1 to 35 = B-3
    sample: int = 0           # 1 to 31; 0 keeps the channel's sample
    effect: int = 0
    param: int = 0


def write_mod(title, channels, samples, patterns, order):
    """A ProTracker module. patterns: 64 rows each of channels ModCells; order: pattern numbers
    played in turn, after which the song ends."""
    if len(samples) > 31 or not 1 <= len(order) <= 128:
        raise ValueError("a module holds at most 31 samples and 1 to 128 orders")
    out = bytearray(text_field(title, 20))
    for i in range(31):
        if i < len(samples):
            s = samples[i]
            if len(s.data) % 2 or s.loop_start % 2 or s.loop_length % 2:
                raise ValueError(f"{s.name}: lengths must be whole words")
            if len(s.data) > 0x1FFFE or s.loop_start + s.loop_length > len(s.data):
                raise ValueError(f"{s.name}: too long, or its loop runs past its end")
            # A loop of one word at 0 is how ProTracker says "no loop".
            loop_start, loop_words = (s.loop_start // 2, s.loop_length // 2) if s.loop_length \
                else (0, 1)
            out += text_field(s.name, 22)
            out += struct.pack(">HBBHH", len(s.data) // 2, 0, s.volume, loop_start, loop_words)
        else:
            out += bytes(22) + struct.pack(">HBBHH", 0, 0, 0, 0, 1)
    out += bytes([len(order), 127]) + bytes(order).ljust(128, b"\0")
    out += b"M.K." if channels == 4 else f"{channels}CHN".encode("ascii")
    for number in range(max(order) + 1):
        rows = patterns[number]
        if len(rows) != 64 or any(len(row) != channels for row in rows):
            raise ValueError(f"pattern {number} is not 64 rows of {channels} cells")
        for row in rows:
            for cell in row:
                period = MOD_PERIODS[cell.note] if cell.note is not None else 0
                out += bytes([(cell.sample & 0xF0) | (period >> 8), period & 0xFF,
                              ((cell.sample & 0x0F) << 4) | cell.effect, cell.param])
    for s in samples:
        out += s.data.astype(np.int8).tobytes()
    return bytes(out)


@dataclass
class XmSample:
    data: np.ndarray          # int16
    loop_start: int = 0       # samples
    loop_length: int = 0      # samples; 0 plays once
    volume: int = 64
    relative_note: int = 0    # semitones; 0 plays C-4 at 8363 Hz
    panning: int = 128        # 0 left to 255 right


@dataclass
class XmInstrument:
    name: str
    sample: XmSample
    envelope: list = field(default_factory=list)  # volume envelope: (tick, level 0 to 64) points
    sustain: int | None = None                    # envelope point held until the key is let go
    fadeout: int = 0                              # per tick after the key is let go, of 65536
    vibrato: tuple = (0, 0, 0, 0)                 # type, sweep, depth, rate


@dataclass
class XmCell:
    note: int = 0             # 1 = C-0 to 96 = B-7, 97 lets the key go, 0 none
    instrument: int = 0       # 1-based
    volume: int = 0           # volume column: 0x10 + 0 to 64 sets the volume
    effect: int = 0
    param: int = 0


XM_KEY_OFF = 97


def _xm_pattern(rows):
    data = bytearray()
    for row in rows:
        for cell in row:
            fields = [cell.note, cell.instrument, cell.volume, cell.effect, cell.param]
            if all(fields):
                data += bytes(fields)
            else:
                # Packed: a flag byte says which of the five follow.
                data.append(0x80 | sum(1 << i for i, value in enumerate(fields) if value))
                data += bytes(value for value in fields if value)
    return struct.pack("<IBHH", 9, 0, len(rows), len(data)) + data


def _xm_instrument(instrument):
    s = instrument.sample
    points = instrument.envelope
    if len(points) > 12:
        raise ValueError(f"{instrument.name}: an envelope has at most 12 points")
    envelope = b"".join(struct.pack("<HH", x, y) for x, y in points).ljust(48, b"\0")
    envelope_type = (1 if points else 0) | (2 if instrument.sustain is not None else 0)
    header = (text_field(instrument.name, 22) + bytes([0]) + struct.pack("<HI", 1, 40)
              + bytes(96) + envelope + bytes(48)
              + bytes([len(points), 0, instrument.sustain or 0, 0, 0, 0, 0, 0, envelope_type, 0])
              + bytes(instrument.vibrato) + struct.pack("<HH", instrument.fadeout, 0))
    header = struct.pack("<I", 263) + header.ljust(259, b"\0")
    deltas = np.diff(s.data.astype(np.int16), prepend=np.int16(0))  # wraps, as the format wants
    sample_header = struct.pack(
        "<IIIBbBBbB", 2 * len(s.data), 2 * s.loop_start, 2 * s.loop_length, s.volume, 0,
        0x10 | (1 if s.loop_length else 0), s.panning, s.relative_note, 0) + bytes(22)
    return header + sample_header + deltas.astype("<i2").tobytes()


def write_xm(title, channels, instruments, patterns, order, speed, bpm):
    """A FastTracker 2 module with linear frequencies, one 16-bit sample per instrument.
    patterns: lists of rows of channels XmCells; order: pattern numbers played in turn, after
    which the song ends. speed: ticks per row; bpm: tempo, in FastTracker's beats."""
    if channels % 2 or not 2 <= channels <= 32:
        raise ValueError("an extended module has an even number of channels, 2 to 32")
    out = bytearray(b"Extended Module: " + text_field(title, 20) + b"\x1a")
    out += text_field("Orvell music tools", 20) + struct.pack("<H", 0x0104)
    out += struct.pack("<IHHHHHHHH", 276, len(order), 0, channels, len(patterns),
                       len(instruments), 1, speed, bpm)
    out += bytes(order).ljust(256, b"\0")
    for rows in patterns:
        if any(len(row) != channels for row in rows):
            raise ValueError(f"a pattern row is not {channels} cells")
        out += _xm_pattern(rows)
    for instrument in instruments:
        out += _xm_instrument(instrument)
    return bytes(out)
