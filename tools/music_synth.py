# Sound synthesis for the disk's music: oscillators, envelopes, noise, and the drums and tones
# that both the tracker samples and the rendered streams are made of. Only additions,
# multiplications, divisions and roundings are used, never a library sin, exp or pow, whose last
# bits differ between builds and CPUs: every machine computes the same samples, bit for bit.
import numpy as np

TAU = 6.283185307179586
LN2 = 0.6931471805599453


def exp2(x):
    """2 to the power x, elementwise."""
    x = np.asarray(x, dtype=np.float64)
    whole = np.floor(x + 0.5)
    y = (x - whole) * LN2  # |y| <= ln 2 / 2, where 14 Taylor terms of e^y are exact to a double
    p = np.ones_like(y)
    for k in range(14, 0, -1):
        p = 1.0 + p * y / k
    return np.ldexp(p, whole.astype(np.int32))


def sin_cycles(x):
    """sin(2 pi x): x counts whole cycles."""
    x = np.asarray(x, dtype=np.float64)
    y = x - np.floor(x + 0.5)
    y = np.where(y > 0.25, 0.5 - y, y)
    y = np.where(y < -0.25, -0.5 - y, y)
    z = y * TAU  # |z| <= pi / 2: the Taylor series to z^15 is within 1e-9
    z2 = z * z
    p = np.ones_like(z)
    for k in range(14, 0, -2):
        p = 1.0 - p * z2 / (k * (k + 1))
    return z * p


def midi_hz(note):
    return 440.0 * exp2((np.asarray(note, dtype=np.float64) - 69.0) / 12.0)


def decay(t, half_life):
    """Falls from 1 by half every half_life seconds."""
    return exp2(-np.asarray(t) / half_life)


def noise(count, seed):
    """White noise in [-1, 1): a SplitMix64 hash of each sample's index, so any stretch of it can be
    made without the ones before."""
    start = (seed * 0x9E3779B97F4A7C15) & 0xFFFFFFFFFFFFFFFF
    z = np.arange(count, dtype=np.uint64) + np.uint64(start)
    z = (z ^ (z >> np.uint64(30))) * np.uint64(0xBF58476D1CE4E5B9)
    z = (z ^ (z >> np.uint64(27))) * np.uint64(0x94D049BB133111EB)
    z = z ^ (z >> np.uint64(31))
    return (z >> np.uint64(40)).astype(np.float64) / float(1 << 23) - 1.0


def lowpass(x, hz, rate):
    """One-pole low-pass; runs sample by sample, so for short sounds only."""
    a = 1.0 - float(exp2(-TAU * hz / rate / LN2))  # the pole of an RC filter at hz
    out = np.empty_like(x)
    y = 0.0
    for i, v in enumerate(x.tolist()):
        y += a * (v - y)
        out[i] = y
    return out


def highpass(x, hz, rate):
    return x - lowpass(x, hz, rate)


def soft_clip(x):
    """Rounds off peaks above about 0.5 and holds everything within [-1, 1]."""
    x = np.clip(x, -1.0, 1.0)
    return x * (1.5 - 0.5 * x * x)


def normalized(x, peak=1.0):
    return x * (peak / np.max(np.abs(x)))


def phase_of(freq, rate):
    """Cycles elapsed at each sample for a frequency that changes sample by sample."""
    return np.concatenate(([0.0], np.cumsum(freq[:-1]))) / rate


# ---------------------------------------------------------------------------------------------
# Drums: one-shot sounds, peak 1.


def kick(rate, seed=1, start_hz=170.0, end_hz=55.0, sweep=0.035, body=0.075, seconds=0.4):
    """A sine whose pitch falls from start_hz to end_hz, with a short click of noise on top."""
    t = np.arange(int(seconds * rate)) / rate
    freq = end_hz + (start_hz - end_hz) * decay(t, sweep)
    tone = sin_cycles(phase_of(freq, rate)) * decay(t, body)
    click = lowpass(noise(len(t), seed), 3000.0, rate) * decay(t, 0.003) * 0.5
    # A gentle fade over the last tenth keeps the tail from ending in a step.
    tail = np.clip((seconds - t) / (0.1 * seconds), 0.0, 1.0)
    return normalized(soft_clip(1.4 * (tone + click)) * tail)


def snare(rate, seed=2, tone_hz=190.0, seconds=0.3):
    """Two damped tones of the shell under a burst of filtered noise, the wires."""
    t = np.arange(int(seconds * rate)) / rate
    shell = (sin_cycles(tone_hz * t) + 0.5 * sin_cycles(1.7 * tone_hz * t)) * decay(t, 0.02)
    # The wires rolled off twice above 4.5 kHz: a snare that cracks rather than hisses.
    hiss = lowpass(lowpass(noise(len(t), seed), 4500.0, rate), 4500.0, rate)
    wires = highpass(hiss, 700.0, rate) * decay(t, 0.05)
    tail = np.clip((seconds - t) / (0.1 * seconds), 0.0, 1.0)
    return normalized(soft_clip(0.8 * shell + 2.4 * wires) * tail)


def hat(rate, seed=3, seconds=0.09, half_life=0.012):
    """Short noise above 5 kHz; a longer half_life opens it."""
    t = np.arange(int(seconds * rate)) / rate
    hiss = highpass(highpass(noise(len(t), seed), 5000.0, rate), 5000.0, rate)
    tail = np.clip((seconds - t) / (0.2 * seconds), 0.0, 1.0)
    return normalized(hiss * decay(t, half_life) * tail)


def crash(rate, seed=4, seconds=1.6):
    """A cymbal: bright noise with a fast first fall and a long shimmering tail, beating against
    a cluster of high inharmonic tones."""
    t = np.arange(int(seconds * rate)) / rate
    hiss = highpass(noise(len(t), seed), 3000.0, rate)
    ring = sum(sin_cycles(hz * t) for hz in (3247.0, 4519.0, 5683.0, 7411.0)) * 0.08
    level = 0.55 * decay(t, 0.05) + 0.45 * decay(t, 0.45)
    tail = np.clip((seconds - t) / (0.3 * seconds), 0.0, 1.0)
    return normalized((hiss + ring) * level * tail)


def bell_partials(t, hz, half_life=0.6, strike=0.25):
    """A struck bar: partials at the ratios of a bell, the higher dying sooner, and a bright
    strike in the first moments."""
    out = np.zeros_like(t)
    for ratio, amp, life in ((1.0, 1.0, 1.0), (2.0, 0.45, 0.7), (3.0, 0.2, 0.45),
                             (4.2, 0.25, 0.25), (5.4, 0.12, 0.15), (6.8, 0.06, 0.1)):
        out += amp * sin_cycles(ratio * hz * t) * decay(t, half_life * life)
    return out + strike * sin_cycles(8.9 * hz * t) * decay(t, 0.01)


# ---------------------------------------------------------------------------------------------
# Tones. A spectrum is a function of the harmonic number k (1, 2, ...) and of where a slow
# modulation stands (0 to 1, one turn per loop of a sample) giving the harmonic's amplitude.


def saw(k, lfo):
    return 1.0 / k


def pulse(width, depth=0.0):
    """A pulse wave whose duty cycle swings by depth around width once per modulation turn. Its
    harmonics are spread in phase (see additive): a narrow pulse is all peak otherwise."""
    def spectrum(k, lfo):
        w = width + depth * sin_cycles(lfo)
        return sin_cycles(0.5 * k * w) / k
    spectrum.spread = True
    return spectrum


def mellow(k, lfo):
    """Odd harmonics falling fast: between a triangle and a flute."""
    return (1.0 / (k * k)) if k % 2 else 0.12 / (k * k)


def organ(k, lfo):
    return {1: 1.0, 2: 0.5, 3: 0.3, 4: 0.25, 6: 0.12, 8: 0.1}.get(k, 0.0)


def additive(phase, hz, spectrum, rate, lfo=0.0, brightness=1.0, limit=None):
    """Sum of the spectrum's harmonics below 90 % of the Nyquist frequency, and the first limit
    of them at most. brightness below 1 tilts the upper harmonics down, a scalar or one value
    per sample. A spectrum marked spread has its n harmonics started at Schroeder's phases,
    k (k - 1) / 2n of a cycle: the same sound with far lower peaks than all starting at 0."""
    out = np.zeros(np.shape(phase))
    tilt = np.ones_like(np.asarray(brightness, dtype=np.float64))
    count = int(np.ceil(0.45 * rate / hz)) - 1
    count = max(1, count if limit is None else min(count, limit))
    spread = getattr(spectrum, "spread", False)
    k = 1
    while k * hz < 0.45 * rate and (limit is None or k <= limit):
        amp = spectrum(k, lfo)
        if np.any(amp):
            start = k * (k - 1) / (2 * count) if spread else 0.0
            out += amp * tilt * sin_cycles(k * phase + start)
        tilt = tilt * brightness
        k += 1
    return out


def looped_tone(rate, hz, spectrum, head_seconds, loop_seconds, sustain, head_half_life,
                brightness=1.0):
    """A tone for a tracker sample: a head that falls from full level to sustain, then a loop that
    holds exactly a whole number of cycles and of modulation turns, so it repeats without a seam.
    Returns the samples (peak 1), the loop start and the loop length, in samples.
    The pitch is moved by at most half a sample over the loop to make the cycles whole."""
    loop = int(loop_seconds * rate) & ~1  # even: ProTracker counts in two-byte words
    cycles = max(1, int(hz * loop / rate + 0.5))
    hz = cycles * rate / loop
    head = int(head_seconds * rate) & ~1
    n = np.arange(head + loop)
    phase = hz * n / rate
    lfo = (n - head) / loop
    level = np.where(n < head, sustain + (1.0 - sustain) * decay(n / rate, head_half_life), sustain)
    wave = additive(phase, hz, spectrum, rate, lfo, brightness)
    return normalized(wave) * level, head, loop


def detuned_pad(rate, hz, loop_seconds, beat_turns=3):
    """Two sawtooths a hair apart, for a chord that shimmers; both whole within one loop, which
    holds beat_turns slow beats between them."""
    loop = int(loop_seconds * rate) & ~1
    cycles = max(1, int(hz * loop / rate + 0.5))
    n = np.arange(loop)
    phase_a = cycles * n / loop
    phase_b = (cycles + beat_turns) * n / loop
    base = cycles * rate / loop
    wave = additive(phase_a, base, mellow, rate) + additive(phase_b, base, saw, rate) * 0.35
    return normalized(wave), loop


def to_int8(x):
    return np.clip(np.rint(x * 127.0), -128, 127).astype(np.int8)


def to_int16(x):
    return np.clip(np.rint(x * 32767.0), -32768, 32767).astype(np.int16)


# ---------------------------------------------------------------------------------------------
# Space: a small room of feedback delays, worked a whole delay at a time so it runs as fast as
# numpy can add, yet sample for sample the same as the one-sample recursion.


def comb(x, delay, feedback):
    """y[n] = x[n] + feedback * y[n - delay]"""
    y = x.copy()
    for start in range(delay, len(y), delay):
        end = min(start + delay, len(y))
        y[start:end] += feedback * y[start - delay:end - delay]
    return y


def allpass(x, delay, gain):
    """y[n] = -gain * x[n] + x[n - delay] + gain * y[n - delay]: smears without colouring."""
    y = -gain * x
    y[delay:] += x[:-delay]
    for start in range(delay, len(y), delay):
        end = min(start + delay, len(y))
        y[start:end] += gain * y[start - delay:end - delay]
    return y


def box_lowpass(x, width):
    """The mean of the last width samples: a gentle, cheap dulling of the highs."""
    summed = np.concatenate((np.zeros(width), np.cumsum(x)))
    return (summed[width:] - summed[:-width]) / width


def reverb(x, rate, size=1.0, feedback=0.8, spread=23):
    """A stereo room for a mono send: four parallel combs and two allpasses per side, the right
    side's delays spread a little longer so the sides differ."""
    x = box_lowpass(x, 4)
    sides = []
    for extra in (0, spread):
        wet = np.zeros_like(x)
        for delay in (1116, 1188, 1277, 1356):
            wet += comb(x, int((delay + extra) * size * rate / 44100), feedback)
        for delay in (556, 441):
            wet = allpass(wet, int((delay + extra) * rate / 44100), 0.5)
        sides.append(wet * 0.25)
    return np.array(sides)
