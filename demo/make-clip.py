#!/usr/bin/env python3
"""Synthesises the demo clip: a short guitar-like phrase by plucked-string
(Karplus-Strong) synthesis, written as a 48 kHz stereo 24-bit WAV.

Usage: demo/make-clip.py [OUT.wav]   (default: corlinde-demo.wav beside this script)

Plain python3, no third-party modules. The output is the same on every run:
the excitation noise comes from a fixed-seed generator of our own.
"""
import math
import os
import struct
import sys
import wave

RATE = 48000
SECONDS = 4.5
PEAK_DBFS = -3.0

# (start in seconds, MIDI note, velocity 0..1, pan -1..1): an open E minor
# arpeggio, a hammered double stop and a ringing low E with a bend-free slide.
PHRASE = [
    (0.00, 40, 1.00, -0.10),  # E2
    (0.25, 47, 0.75, 0.05),   # B2
    (0.50, 52, 0.80, 0.15),   # E3
    (0.75, 55, 0.70, 0.25),   # G3
    (1.00, 59, 0.75, 0.20),   # B3
    (1.25, 64, 0.85, 0.10),   # E4
    (1.50, 59, 0.60, 0.20),
    (1.75, 55, 0.60, 0.25),
    (2.00, 57, 0.90, -0.05),  # A3 + D4 double stop
    (2.00, 62, 0.80, 0.10),
    (2.50, 55, 0.85, -0.05),  # G3 + B3
    (2.50, 59, 0.75, 0.10),
    (3.00, 40, 1.00, -0.10),  # low E to ring out
    (3.00, 52, 0.70, 0.10),
]


class Lcg:
    """Small deterministic noise source (numerical recipes LCG)."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (1664525 * self.state + 1013904223) & 0xFFFFFFFF
        return self.state / 2147483648.0 - 1.0


def pluck(note, velocity, length, noise):
    """One plucked string: a noise burst circulating in a delay line with a
    two-point average (the string's loss) and a slight decay factor."""
    freq = 440.0 * 2.0 ** ((note - 69) / 12.0)
    period = RATE / freq
    size = int(period)
    frac = period - size  # fractional delay by a first-order allpass
    coeff = (1.0 - frac) / (1.0 + frac)
    # Brighter, harder picks for louder notes: low-pass the burst less.
    bright = 0.35 + 0.5 * velocity
    line = []
    prev = 0.0
    for _ in range(size):
        prev = prev + bright * (noise.next() - prev)
        line.append(prev * velocity)
    mean = sum(line) / size
    line = [x - mean for x in line]
    decay = 0.996 if note < 50 else 0.994
    out = [0.0] * length
    idx = 0
    ap_x = ap_y = 0.0
    last = 0.0
    for n in range(length):
        cur = line[idx]
        averaged = decay * 0.5 * (cur + last)
        last = cur
        ap_y = coeff * averaged + ap_x - coeff * ap_y
        ap_x = averaged
        line[idx] = ap_y
        idx += 1
        if idx == size:
            idx = 0
        out[n] = cur
    # Pick attack of a few ms and a gentle fade at the end of the buffer.
    attack = int(0.002 * RATE)
    for n in range(min(attack, length)):
        out[n] *= n / attack
    return out


def render():
    total = int(SECONDS * RATE)
    left = [0.0] * total
    right = [0.0] * total
    noise = Lcg(0x5EED)
    for start, note, velocity, pan in PHRASE:
        first = int(start * RATE)
        length = total - first
        # A later note on the same string cuts the previous one in a real
        # guitar; letting them ring reads as a lightly strummed phrase.
        voice = pluck(note, velocity, length, noise)
        gl = math.cos((pan + 1.0) * math.pi / 4.0)
        gr = math.sin((pan + 1.0) * math.pi / 4.0)
        for n, x in enumerate(voice):
            left[first + n] += gl * x
            right[first + n] += gr * x
    # A short fade-out over the last 0.3 s so the clip ends in silence.
    fade = int(0.3 * RATE)
    for n in range(fade):
        g = 1.0 - n / fade
        left[total - fade + n] *= g
        right[total - fade + n] *= g
    peak = max(max(abs(x) for x in left), max(abs(x) for x in right))
    gain = 10.0 ** (PEAK_DBFS / 20.0) / peak
    return [x * gain for x in left], [x * gain for x in right]


def write_wav(path, left, right):
    frames = bytearray()
    full = (1 << 23) - 1
    for l, r in zip(left, right):
        for x in (l, r):
            v = int(round(x * full))
            v = max(-full - 1, min(full, v))
            frames += struct.pack('<i', v)[:3]
    with wave.open(path, 'wb') as w:
        w.setnchannels(2)
        w.setsampwidth(3)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, 'corlinde-demo.wav')
    left, right = render()
    write_wav(path, left, right)
    print(f'wrote {path}: {SECONDS} s, {RATE} Hz, stereo, 24-bit')


if __name__ == '__main__':
    main()
