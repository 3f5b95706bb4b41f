#!/usr/bin/env python3
"""Writes the eight alarm sounds: 16-bit PCM mono WAV at 22050 Hz, one second each, so the
alarm's "seconds" setting is also its number of rounds.

Each sound is a sum of short tones with its own pitch contour and envelope, so they are told
apart at once: a chime, a ding, a falling and a rising sweep, two dry clicks at different
pitches, a ringing trill and a bell.
Usage: gen_alarm_sounds.py [output folder]   (default: resources/Sound)
"""
import math
import os
import struct
import sys
import wave

RATE = 22050
SECONDS = 1.0


def tone(t, frequency, start, length, decay):
    """A sine that starts at `start`, lasts `length` seconds and fades with time constant `decay`."""
    if t < start or t >= start + length:
        return 0.0
    age = t - start
    attack = min(1.0, age / 0.005)
    return attack * math.exp(-age / decay) * math.sin(2 * math.pi * frequency * age)


def sweep(t, f0, f1, length):
    """A sine whose pitch moves from f0 to f1 over `length` seconds, then silence."""
    if t >= length:
        return 0.0
    phase = 2 * math.pi * (f0 * t + (f1 - f0) * t * t / (2 * length))
    envelope = min(1.0, t / 0.01) * min(1.0, (length - t) / 0.05)
    return envelope * math.sin(phase)


SOUNDS = {
    "01-Chime.wav": lambda t: 0.5 * tone(t, 1046.5, 0.0, 1.0, 0.35) + 0.5 * tone(t, 1318.5, 0.25, 0.75, 0.3),
    "02-Ding.wav": lambda t: tone(t, 1760.0, 0.0, 1.0, 0.15),
    "03-Falling.wav": lambda t: sweep(t, 1400.0, 500.0, 0.8),
    "04-Rising.wav": lambda t: sweep(t, 500.0, 1400.0, 0.8),
    "05-Dry.wav": lambda t: sum(tone(t, 900.0, k * 0.25, 0.04, 0.01) for k in range(4)),
    "06-Dry.wav": lambda t: sum(tone(t, 2200.0, k * 0.125, 0.03, 0.008) for k in range(8)),
    "07-Ring.wav": lambda t: (0.8 if int(t * 16) % 2 == 0 else 0.0) * math.sin(2 * math.pi * (1200.0 if int(t * 8) % 2 else 1500.0) * t)
    * min(1.0, (SECONDS - t) / 0.05),
    "08-Bell.wav": lambda t: 0.6 * tone(t, 523.3, 0.0, 1.0, 0.5) + 0.3 * tone(t, 1410.0, 0.0, 1.0, 0.2)
    + 0.1 * tone(t, 2630.0, 0.0, 1.0, 0.1),
}


def write(path, signal):
    frames = bytearray()
    for n in range(int(RATE * SECONDS)):
        sample = max(-1.0, min(1.0, 0.8 * signal(n / RATE)))
        frames += struct.pack("<h", int(round(sample * 32767)))
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(bytes(frames))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "Sound")
    os.makedirs(folder, exist_ok=True)
    for name, signal in SOUNDS.items():
        write(os.path.join(folder, name), signal)


if __name__ == "__main__":
    main()
