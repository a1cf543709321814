#!/usr/bin/env python3
"""Writes the program's three notification sounds (16-bit mono WAV, 16 kHz).

101: a web page arrived instead of a document -- two short high blips.
102: the list is finished (or the error rule stopped it) -- a rising triad.
103: a download failed -- a falling low tone.

Run from this folder: python3 make_sounds.py
"""
import math
import struct
import wave

RATE = 16000


def tone(freq_start, freq_end, seconds, volume=0.45):
    n = int(RATE * seconds)
    phase = 0.0
    out = []
    for i in range(n):
        t = i / n
        freq = freq_start + (freq_end - freq_start) * t
        phase += 2 * math.pi * freq / RATE
        # short fade in and out so that no sound starts or ends with a click
        envelope = min(1.0, i / (RATE * 0.005), (n - i) / (RATE * 0.02))
        out.append(volume * envelope * math.sin(phase))
    return out


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def write(name, samples):
    with wave.open(name, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(b"".join(struct.pack("<h", int(s * 32767)) for s in samples))


write("101.wav", tone(1760, 1760, 0.08) + silence(0.06) + tone(1760, 1760, 0.08))
write("102.wav", tone(523, 523, 0.12) + tone(659, 659, 0.12) + tone(784, 784, 0.22))
write("103.wav", tone(440, 220, 0.4))
