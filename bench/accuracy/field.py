# SPDX-License-Identifier: GPL-3.0-or-later
"""Field conditions: what a room, a cable and a player add to a clean rendered take.

Each condition is a WAV file and a list of scored stretches. A stretch names the notes a
block inside it may be named as (none: no note sounds there) and the reference pitch of
the played note. A block is scored when it lies wholly inside a stretch, or, for a note
change, when it holds the instant one note gives way to the next.

Levels are set against the string: the RMS of the clean take over its sustained parts
(from 100 ms after each onset to the release).
"""

import collections
import os
import subprocess

import numpy as np

import corpus

SETTLE = 0.1
Stretch = collections.namedtuple("Stretch", "start end allowed reference straddle")
Condition = collections.namedtuple("Condition", "name wav stretches")

OPEN = corpus.OPEN_STRINGS
HOLD_SECONDS = 8.0          # a string left ringing, without note-off
FADED_DB = 40.0             # ... is scored until its level falls this far under its peak
CHANGE_SECONDS = 1.0        # each string of a change sequence sounds this long
ROOM_SECONDS = 6.0
ROOM_LEVEL = 10 ** (-60 / 20) * 32767   # quiet room noise, RMS
HUM_HARMONICS = (1.0, 0.5, 0.7, 0.25, 0.35, 0.15, 0.2)   # a rectifier's buzz


def pink_noise(count, random):
    """Noise of power falling 3 dB an octave, unit RMS."""
    spectrum = np.fft.rfft(random.standard_normal(count))
    frequencies = np.arange(len(spectrum), dtype=float)
    frequencies[0] = 1.0
    noise = np.fft.irfft(spectrum / np.sqrt(frequencies), count)
    return noise / np.sqrt(np.mean(noise ** 2))


def white_noise(count, random):
    return random.standard_normal(count)


def hum(count, mains, random):
    """Mains hum with its harmonics, unit RMS."""
    t = np.arange(count) / corpus.RATE
    wave_ = sum(a * np.sin(2 * np.pi * mains * (k + 1) * t + random.uniform(0, 2 * np.pi))
                for k, a in enumerate(HUM_HARMONICS))
    return wave_ / np.sqrt(np.mean(wave_ ** 2))


def rms(x):
    return float(np.sqrt(np.mean(x ** 2))) if len(x) else 0.0


def envelope(x, seconds=0.02):
    """The RMS of x over a sliding window, one value per sample."""
    width = int(seconds * corpus.RATE)
    power = np.convolve(x ** 2, np.ones(width) / width, mode="same")
    return np.sqrt(power)


class Take:
    """A clean rendered take of notes on a schedule, with each note's reference pitch."""

    def __init__(self, work, font, program, events, tag, reference_pitch):
        self.path = os.path.join(work, f"{font}-field-{tag}-{program}.wav")
        if not os.path.exists(self.path):
            corpus.render(corpus.FONTS[font], program, None, self.path, events)
        self.samples, _ = corpus.read_wav(self.path)
        self.events = events
        self.references = []
        for onset, release, note in events:
            end = release if release is not None else onset + corpus.NOTE_SECONDS
            self.references.append(reference_pitch(self.samples, corpus.RATE, onset, note,
                                                    min(end - onset, corpus.NOTE_SECONDS)))

    def part(self, index):
        onset, release, _ = self.events[index]
        end = release if release is not None else onset + corpus.NOTE_SECONDS
        return slice(int((onset + SETTLE) * corpus.RATE), int(end * corpus.RATE))

    def level(self, index=None):
        parts = range(len(self.events)) if index is None else [index]
        return rms(np.concatenate([self.samples[self.part(i)] for i in parts]))

    def stretches(self):
        return [Stretch(onset + SETTLE, release, frozenset([note]), ref[0], False)
                for (onset, release, note), ref in zip(self.events, self.references)]


def _write(work, name, samples, stretches):
    path = os.path.join(work, name + ".wav")
    corpus.write_wav(path, samples)
    return path, stretches


def conditions(work, font, program, seed, reference_pitch):
    """Every field condition for one instrument: [(condition name, wav, stretches)]."""
    random = np.random.default_rng(seed)
    base = Take(work, font, program, corpus.schedule(OPEN), "open", reference_pitch)
    clean, level, count = base.samples, base.level(), len(base.samples)
    tag = f"{font}-{program}"
    made = []

    def add(name, samples, stretches=None):
        path, scored = _write(work, f"{tag}-{name}", samples, stretches or base.stretches())
        made.append(Condition(name, path, scored))

    add("clean", clean)
    for kind, make in (("pink", pink_noise), ("white", white_noise)):
        for snr in (20, 10):
            add(f"{kind} noise {snr} dB SNR", clean + make(count, random) * level / 10 ** (snr / 20))
    for mains in (50, 60):
        for under in (20, 30, 40):
            add(f"{mains} Hz hum {under} dB under", clean + hum(count, mains, random) * level / 10 ** (under / 20))

    reverb = os.path.join(work, f"{tag}-room reverb.wav")
    # No dither (-D): sox would add fresh noise on every run, and the rows would vary.
    subprocess.run(["sox", "-D", base.path, reverb, "reverb", "50", "50", "80", "remix", "-"], check=True)
    made.append(Condition("room reverb", reverb, base.stretches()))

    # A body mode near a third or a quarter of the string, sounding with it; and a guitar
    # body's own resonance near 85 Hz, the same under every string (under B3 it lies close
    # to E2, of which B3 is the third partial).
    for name, mode_frequency, under in (
            ("body mode near a third, 12 dB under", lambda f: f / 3 * 1.045, 12),
            ("body mode near a quarter, 10 dB under", lambda f: f / 4 * 0.965, 10),
            ("body resonance near 85 Hz, 12 dB under", lambda f: 85.0, 12)):
        mixed = clean.copy()
        for i, (onset, release, note) in enumerate(base.events):
            span = slice(int(onset * corpus.RATE), int((release + corpus.GAP_SECONDS) * corpus.RATE))
            t = np.arange(span.stop - span.start) / corpus.RATE
            mode = np.sqrt(2) * np.sin(2 * np.pi * mode_frequency(base.references[i][0]) * t)
            mixed[span] += mode * envelope(clean[span]) / 10 ** (under / 20)
        add(name, mixed)

    # The open string below ringing along: quieter, 12 dB under, or as loud as the string
    # (the last one struck still ringing), where either string may be named.
    lower_events = [(onset, release, OPEN[i - 1]) for i, (onset, release, _) in enumerate(base.events) if i]
    lower = Take(work, font, program, lower_events, "lower", reference_pitch)

    def with_lower(under):
        mixed = clean.copy()
        for i in range(1, len(OPEN)):
            onset, release, _ = base.events[i]
            span = slice(int(onset * corpus.RATE), min(count, len(lower.samples), int(release * corpus.RATE)))
            mixed[span] += lower.samples[span] * base.level(i) / lower.level(i - 1) / 10 ** (under / 20)
        return mixed

    add("lower string 12 dB under", with_lower(12), base.stretches()[1:])
    add("lower string as loud, either named", with_lower(0),
        [s._replace(allowed=s.allowed | {OPEN[i]}, reference=None) for i, s in enumerate(base.stretches()[1:])])

    # Strings left ringing: scored until the level falls FADED_DB under the note's peak.
    held_events = [(i * HOLD_SECONDS, None, note) for i, note in enumerate(OPEN)]
    held = Take(work, font, program, held_events, "held", reference_pitch)
    env = envelope(held.samples, 0.05)
    stretches = []
    for i, (onset, _, note) in enumerate(held_events):
        first, last = int((onset + SETTLE) * corpus.RATE), int((onset + HOLD_SECONDS) * corpus.RATE)
        last = min(last, len(env))
        peak = env[int(onset * corpus.RATE):last].max()
        loud = np.nonzero(env[first:last] >= peak * 10 ** (-FADED_DB / 20))[0]
        end = (first + loud[-1]) / corpus.RATE if len(loud) else onset
        stretches.append(Stretch(onset + SETTLE, end, frozenset([note]), held.references[i][0], False))
    made.append(Condition("strings left ringing, to 40 dB under", held.path, stretches))

    # Note changes: every pair of open strings, each string played after the other.
    sequence = [n for a in range(len(OPEN)) for b in range(a + 1, len(OPEN)) for n in (OPEN[a], OPEN[b])]
    change_events = [(i * CHANGE_SECONDS, (i + 1) * CHANGE_SECONDS, n) for i, n in enumerate(sequence)]
    changes = Take(work, font, program, change_events, "changes", lambda *a: (0.0, 0.0))
    stretches = [Stretch(onset, onset, frozenset([sequence[i - 1], note]), None, True)
                 for i, (onset, _, note) in enumerate(change_events) if i > 0]
    made.append(Condition("note changes (straddling blocks)", changes.path, stretches))
    return made


def room(work, seed):
    """Room noise with no note, alone and with hum: [(condition name, wav, stretches)]."""
    random = np.random.default_rng(seed)
    count = int(ROOM_SECONDS * corpus.RATE)
    noise = pink_noise(count, random) * ROOM_LEVEL
    nothing = [Stretch(0.0, ROOM_SECONDS, frozenset(), None, False)]
    made = []
    for name, samples in (("room noise alone", noise),
                          ("room noise with 50 Hz hum", noise + hum(count, 50, random) * ROOM_LEVEL),
                          ("room noise with 60 Hz hum", noise + hum(count, 60, random) * ROOM_LEVEL)):
        path, stretches = _write(work, f"room-{seed}-{name}", samples, nothing)
        made.append(Condition(name, path, stretches))
    return made
