#!/usr/bin/env python3
"""Writes sample/bee.wav (run from the repository root): the short 500 Hz notification tone the applications play (16-bit mono)."""
import math
import struct
import wave

RATE, FREQ, SECONDS = 22050, 500, 0.1
with wave.open("sample/bee.wav", "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(RATE)
    frames = bytearray()
    count = int(RATE * SECONDS)
    for i in range(count):
        fade = min(1.0, i / 200, (count - i) / 200)  # no clicks at the ends
        frames += struct.pack("<h", int(12000 * fade * math.sin(2 * math.pi * FREQ * i / RATE)))
    w.writeframes(bytes(frames))
