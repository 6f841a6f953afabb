#!/usr/bin/python3
# Writes the ring tones and the ring-back tone shipped with the program into sounds/.
# The SIP stack repeats each file with a pause, so a file holds one burst.
import math, os, struct, wave

RATE = 16000
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sounds")


def write(name, samples):
    with wave.open(os.path.join(OUT, name), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(max(-1, min(1, s)) * 20000)) for s in samples))


def tone(freqs, seconds, warble=0.0, fade=0.01):
    n = int(RATE * seconds)
    for i in range(n):
        t = i / RATE
        gain = min(1.0, t / fade, (seconds - t) / fade)
        if warble:
            gain *= 0.5 + 0.5 * (math.sin(2 * math.pi * warble * t) > 0)
        yield gain * sum(math.sin(2 * math.pi * f * t) for f in freqs) / len(freqs)


def silence(seconds):
    return [0.0] * int(RATE * seconds)


os.makedirs(OUT, exist_ok=True)
# A desk telephone's bell-like ring: two tones switched at 20 Hz, twice.
write("klassisch.wav", [*tone([800, 1000], 0.4, warble=20), *silence(0.2), *tone([800, 1000], 0.4, warble=20)])
# A quiet rising triad.
write("dezent.wav", [*tone([660], 0.25), *tone([830], 0.25), *tone([990], 0.4, fade=0.1)])
# Two short beeps.
write("doppelton.wav", [*tone([1200], 0.15), *silence(0.1), *tone([1200], 0.15)])
# The ring-back the caller hears: 425 Hz for a second.
write("freiton.wav", list(tone([425], 1.0)))
