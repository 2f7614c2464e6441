# SPDX-License-Identifier: GPL-3.0-or-later
"""The accuracy corpus: MIDI files of our own, rendered with FluidSynth from Debian's
General MIDI sound fonts.

Each take is one instrument (a GM program) playing a list of notes, each held for
NOTE_SECONDS with GAP_SECONDS of silence after it, rendered at 44100 Hz without reverb
or chorus (chorus modulates the pitch, reverb smears one note into the next; neither
is the instrument's own sound).
"""

import os
import struct
import subprocess
import wave

import numpy as np

RATE = 44100
NOTE_SECONDS = 3.0
GAP_SECONDS = 0.5
TICKS_PER_QUARTER = 480
MICROSECONDS_PER_QUARTER = 500000          # 120 beats per minute: 960 ticks a second
TICKS_PER_SECOND = TICKS_PER_QUARTER * 1_000_000 // MICROSECONDS_PER_QUARTER

FONTS = {
    "FluidR3": "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "TimGM6mb": "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "GMbank": "/usr/share/sounds/sf2/sf_GMbank.sf2",
}

NAMES = ["C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"]


def note_number(name):
    """'E2' -> 40, 'C#4' -> 61 (A4 = 69)."""
    pitch, octave = name[:-1], int(name[-1])
    return NAMES.index(pitch) + 12 * (octave + 1)


def note_name(number):
    return f"{NAMES[number % 12]}{number // 12 - 1}"


OPEN_STRINGS = [note_number(n) for n in ("E2", "A2", "D3", "G3", "B3", "E4")]
GUITARS = {24: "nylon guitar", 25: "steel guitar", 26: "jazz guitar", 27: "clean electric guitar"}


def takes(full):
    """(take name, GM program, instrument, kind, notes) of the corpus."""
    result = []
    if full:
        for program, instrument in GUITARS.items():
            result.append((f"open-{program}", program, instrument, "open strings", OPEN_STRINGS))
            result.append((f"chromatic-{program}", program, instrument, "chromatic E2-E6",
                           list(range(note_number("E2"), note_number("E6") + 1))))
        result.append(("bass-33", 33, "electric bass (finger)", "chromatic B0-G2",
                       list(range(note_number("B0"), note_number("G2") + 1))))
        result.append(("piano-0", 0, "acoustic grand piano", "chromatic E2-E6",
                       list(range(note_number("E2"), note_number("E6") + 1))))
    else:
        # The quick check: four strings of two instruments.
        strings = [note_number(n) for n in ("E2", "A2", "D3", "G3")]
        result.append(("open-25", 25, "steel guitar", "open strings E2-G3", strings))
        result.append(("open-24", 24, "nylon guitar", "open strings E2-G3", strings))
    return result


def _variable_length(value):
    data = [value & 0x7F]
    value >>= 7
    while value:
        data.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(data))


def schedule(notes, note_seconds=NOTE_SECONDS, gap_seconds=GAP_SECONDS):
    """(onset, release, note) of each note played in turn; a release of None holds the
    note (no note-off) until the end of the take."""
    step = note_seconds + gap_seconds
    return [(i * step, i * step + note_seconds, note) for i, note in enumerate(notes)]


def midi_file(program, events, velocity=100):
    """A format-0 standard MIDI file: the program, then the scheduled notes on and off."""
    messages = []
    end = 0.0
    for onset, release, note in events:
        messages.append((onset, 1, bytes([0x90, note, velocity])))
        if release is not None:
            messages.append((release, 0, bytes([0x80, note, 0])))   # offs before ons
        end = max(end, onset + NOTE_SECONDS, release or 0.0)
    messages.sort(key=lambda m: (m[0], m[1]))
    data = bytearray()
    data += b"\x00\xff\x51\x03" + MICROSECONDS_PER_QUARTER.to_bytes(3, "big")
    data += b"\x00" + bytes([0xC0, program])
    tick = 0
    for seconds, _, message in messages:
        at = int(round(seconds * TICKS_PER_SECOND))
        data += _variable_length(at - tick) + message
        tick = at
    tail = int(round((end + GAP_SECONDS) * TICKS_PER_SECOND))
    data += _variable_length(max(0, tail - tick)) + b"\xff\x2f\x00"
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS_PER_QUARTER)
    return header + b"MTrk" + struct.pack(">I", len(data)) + bytes(data)


def onsets(notes):
    """Start of each note in seconds, as the MIDI file schedules them."""
    return [onset for onset, _, _ in schedule(notes)]


def render(font_path, program, notes, wav_path, events=None):
    """Renders the notes as scheduled by schedule(), or the given events, to wav_path."""
    midi_path = wav_path[:-4] + ".mid"
    with open(midi_path, "wb") as f:
        f.write(midi_file(program, events if events is not None else schedule(notes)))
    subprocess.run(["fluidsynth", "-ni", "-q", "-R", "0", "-C", "0", "-g", "0.6",
                    "-r", str(RATE), "-F", wav_path, "-T", "wav", "-O", "s16",
                    font_path, midi_path],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.remove(midi_path)


def read_wav(path):
    """Mono float samples of a 16-bit WAV file (channels averaged) and its rate."""
    with wave.open(path, "rb") as w:
        channels, rate = w.getnchannels(), w.getframerate()
        data = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").astype(np.float64)
    return data.reshape(-1, channels).mean(axis=1), rate


def write_wav(path, samples, rate=RATE):
    """Writes float samples (full scale 32767) as a 16-bit mono WAV file, clipped."""
    data = np.clip(np.round(samples), -32768, 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(data.tobytes())
