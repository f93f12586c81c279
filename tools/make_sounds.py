#!/usr/bin/env python3
"""Synthesises the game's 7 sound effects into assets/ (deterministic, standard library only).

Every sound is mono PCM with the exact bit depth, rate and sample count the
game's asset table gives. 8-bit files are unsigned (128 = silence); all 8-bit
files but cannon.wav carry a 4-byte "fact" chunk, as many WAV writers add, so
the loader meets both layouts. An odd data chunk is padded to an even length
as RIFF requires.
"""

import math
import os
import random
import struct
import sys

TAU = 2 * math.pi


# ---------------------------------------------------------------------------
# Building blocks. Signals are lists of floats, nominally -1..1.

def noise(rng, n):
    return [rng.uniform(-1, 1) for _ in range(n)]


def lowpass(signal, rate, cutoff):
    """One-pole low-pass; cutoff may be a number or a function of the sample index."""
    out = []
    y = 0.0
    for i, x in enumerate(signal):
        fc = cutoff(i) if callable(cutoff) else cutoff
        a = 1 - math.exp(-TAU * fc / rate)
        y += a * (x - y)
        out.append(y)
    return out


def resonator(signal, rate, freq, bandwidth):
    """Two-pole band-pass (a formant); freq may be a function of the sample index."""
    out = []
    y1 = y2 = 0.0
    r = math.exp(-math.pi * bandwidth / rate)
    for i, x in enumerate(signal):
        f = freq(i) if callable(freq) else freq
        c1 = 2 * r * math.cos(TAU * f / rate)
        y = (1 - r) * x + c1 * y1 - r * r * y2
        out.append(y)
        y2, y1 = y1, y
    return out


def sweep(rate, n, freq, shape=math.sin):
    """An oscillator whose frequency follows freq(t) in Hz."""
    out = []
    phase = 0.0
    for i in range(n):
        out.append(shape(phase))
        phase += TAU * freq(i / rate) / rate
    return out


def envelope(rate, n, attack, decay, hold=0.0):
    """Linear attack, optional hold, then exponential decay (time constant `decay` seconds)."""
    out = []
    for i in range(n):
        t = i / rate
        if t < attack:
            out.append(t / attack)
        elif t < attack + hold:
            out.append(1.0)
        else:
            out.append(math.exp(-(t - attack - hold) / decay))
    return out


def fade_out(signal, rate, seconds):
    """Brings the last `seconds` smoothly to zero so the sound ends without a click."""
    n = len(signal)
    m = min(n, int(rate * seconds))
    return [x * (min(1.0, (n - 1 - i) / m) if i >= n - m else 1.0) for i, x in enumerate(signal)]


def add(*signals):
    return [sum(values) for values in zip(*signals)]


def mul(a, b):
    return [x * y for x, y in zip(a, b)]


def gain(signal, g):
    return [x * g for x in signal]


def normalise(signal, peak=0.9):
    top = max(abs(x) for x in signal) or 1.0
    return [x * peak / top for x in signal]


def saturate(signal, drive):
    """Soft clipping (tanh): louder tails and a punchier body, peaks kept below 1."""
    top = max(abs(x) for x in signal) or 1.0
    return [math.tanh(drive * x / top) / math.tanh(drive) for x in signal]


def square(phase):
    return 1.0 if math.sin(phase) >= 0 else -1.0


def triangle(phase):
    p = (phase / TAU) % 1.0
    return 4 * p - 1 if p < 0.5 else 3 - 4 * p


# ---------------------------------------------------------------------------
# WAV writing.

def encode_wav(signal, rate, bits, fact=None):
    if fact is None:
        fact = bits == 8
    if bits == 8:
        data = bytes(max(0, min(255, int(round(128 + x * 127)))) for x in signal)
    else:
        data = b"".join(struct.pack("<h", max(-32768, min(32767, int(round(x * 32767))))) for x in signal)
    block = bits // 8
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * block, block, bits)
    chunks = b"fmt " + struct.pack("<I", len(fmt)) + fmt
    if fact:
        chunks += b"fact" + struct.pack("<II", 4, len(signal))
    chunks += b"data" + struct.pack("<I", len(data)) + data
    if len(data) % 2:
        chunks += b"\0"  # RIFF pads odd chunks to an even length
    return b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WAVE" + chunks


# ---------------------------------------------------------------------------
# The sounds.

def cannon(rate, n):
    rng = random.Random(11)
    # Thump: a low sine falling in pitch.
    thump = mul(sweep(rate, n, lambda t: 38 + 110 * math.exp(-t * 14)), envelope(rate, n, 0.002, 0.16))
    # Blast: noise, darkening as it fades.
    blast = mul(lowpass(noise(rng, n), rate, lambda i: 300 + 5000 * math.exp(-i / rate * 18)),
                envelope(rate, n, 0.001, 0.09))
    # Crack: a few milliseconds of bright noise at the very start.
    crack = mul(noise(rng, n), envelope(rate, n, 0.0005, 0.006))
    # Rumble tail.
    rumble = mul(lowpass(lowpass(noise(rng, n), rate, 220), rate, 220), envelope(rate, n, 0.02, 0.3))
    mixed = add(gain(thump, 1.0), gain(blast, 0.9), gain(crack, 0.35), gain(rumble, 3.0))
    return fade_out(normalise(saturate(mixed, 2.5), 0.92), rate, 0.05)


def boom1(rate, n):
    """Short, bright explosion: filtered noise with a falling cutoff."""
    rng = random.Random(21)
    body = lowpass(noise(rng, n), rate, lambda i: 200 + 3500 * math.exp(-i / rate * 7))
    body = mul(body, envelope(rate, n, 0.003, 0.22))
    pop = mul(sweep(rate, n, lambda t: 60 + 80 * math.exp(-t * 20)), envelope(rate, n, 0.002, 0.08))
    return fade_out(normalise(saturate(add(body, gain(pop, 0.4)), 3.0), 0.9), rate, 0.08)


def boom2(rate, n):
    """Long, deep explosion: low rumble with crackles and a slow pitch drop."""
    rng = random.Random(22)
    rumble = lowpass(lowpass(noise(rng, n), rate, lambda i: 90 + 700 * math.exp(-i / rate * 2.5)), rate, 400)
    rumble = mul(rumble, envelope(rate, n, 0.02, 0.7, hold=0.1))
    low = mul(sweep(rate, n, lambda t: 30 + 50 * math.exp(-t * 3)), envelope(rate, n, 0.005, 0.5))
    crackle = [0.0] * n
    for _ in range(60):
        start = int(rng.uniform(0, 1.6) ** 2 / 2.56 * 1.6 * rate)
        size = rng.uniform(0.2, 1.0) * math.exp(-start / rate * 1.5)
        for k in range(int(rate * 0.004)):
            if start + k < n:
                crackle[start + k] += rng.uniform(-1, 1) * size * math.exp(-k / (rate * 0.001))
    crackle = lowpass(crackle, rate, 3000)
    mixed = add(gain(rumble, 6.0), gain(low, 0.6), gain(crackle, 0.8))
    return fade_out(normalise(saturate(mixed, 3.0), 0.9), rate, 0.4)


def boom3(rate, n):
    """Mid explosion with a descending whistle-like sweep inside the noise."""
    rng = random.Random(23)
    sweep_tone = mul(sweep(rate, n, lambda t: 40 + 400 * math.exp(-t * 5), triangle), envelope(rate, n, 0.002, 0.35))
    body = lowpass(noise(rng, n), rate, lambda i: 150 + 2500 * math.exp(-i / rate * 4))
    body = mul(body, envelope(rate, n, 0.004, 0.4))
    mixed = add(gain(sweep_tone, 0.35), gain(body, 2.2))
    return fade_out(normalise(saturate(mixed, 2.5), 0.9), rate, 0.2)


def scream(rate, n):
    """A short cry: a buzzy voice with vibrato through 'ah' formants, rising then falling."""
    duration = n / rate

    def pitch(t):
        shape = 520 + 320 * math.sin(math.pi * min(1.0, t / duration) * 0.8)
        return shape * (1 + 0.04 * math.sin(TAU * 7 * t))

    voice = sweep(rate, n, pitch, lambda p: 1 - 2 * ((p / TAU) % 1.0))  # sawtooth
    formants = add(gain(resonator(voice, rate, 850, 120), 1.0), gain(resonator(voice, rate, 1250, 150), 0.7),
                   gain(resonator(voice, rate, 2600, 250), 0.3))
    env = [min(1.0, i / (rate * 0.03)) * (1 - (i / n) ** 2.5) for i in range(n)]
    return fade_out(normalise(mul(formants, env), 0.85), rate, 0.03)


def bonus(rate, n):
    """A rising arpeggio C-E-G-C, the last note held."""
    notes = [523.25, 659.25, 783.99, 1046.5]
    step = 0.075
    out = [0.0] * n
    for k, f in enumerate(notes):
        start = int(k * step * rate)
        length = n - start
        tone = sweep(rate, length, lambda t, f=f: f, square)
        tone = add(gain(tone, 0.35), sweep(rate, length, lambda t, f=f: 2 * f))
        decay = 0.25 if k == len(notes) - 1 else 0.09
        tone = mul(tone, envelope(rate, length, 0.003, decay))
        for i, v in enumerate(tone):
            out[start + i] += v
    return fade_out(normalise(lowpass(out, rate, 6000), 0.8), rate, 0.04)


def bought(rate, n):
    """A cash-register chime: two bell strikes with inharmonic partials."""
    out = [0.0] * n
    for start_s, base in ((0.0, 1318.5), (0.09, 1760.0)):
        start = int(start_s * rate)
        length = n - start
        bell = [0.0] * length
        for ratio, amp, decay in ((1.0, 1.0, 0.22), (2.76, 0.4, 0.08), (5.4, 0.2, 0.04)):
            partial = mul(sweep(rate, length, lambda t, f=base * ratio: f), envelope(rate, length, 0.001, decay))
            bell = add(bell, gain(partial, amp))
        for i, v in enumerate(bell):
            out[start + i] += v
    return fade_out(normalise(out, 0.8), rate, 0.03)


# name, synthesiser, bits, rate, samples
SOUNDS = [
    ("cannon.wav", cannon, 8, 22000, 19200),
    ("boom1.wav", boom1, 8, 11025, 7925),
    ("boom2.wav", boom2, 16, 22050, 49617),
    ("boom3.wav", boom3, 8, 22050, 31936),
    ("scream.wav", scream, 8, 8000, 5569),
    ("bonus.wav", bonus, 8, 22050, 11026),
    ("bought.wav", bought, 8, 22254, 11128),
]


def main(names=None):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    for name, synth, bits, rate, count in SOUNDS:
        if names and name not in names:
            continue
        signal = synth(rate, count)
        assert len(signal) == count
        with open(os.path.join(root, "assets", name), "wb") as f:
            f.write(encode_wav(signal, rate, bits, fact=(bits == 8 and name != "cannon.wav")))
        print("synthesised", name, file=sys.stderr)


if __name__ == "__main__":
    main(sys.argv[1:])
