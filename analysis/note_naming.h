// SPDX-License-Identifier: GPL-3.0-or-later
// From a frequency to what the tuner shows: the MIDI note number, the note name with
// its octave ("A4") and the deviation from the nearest semitone in cents ("+12").
#pragma once

#include <cstdint>
#include <string>

// Nearest equal-tempered note (A4 = 440 Hz = 69), or -1 outside 27.5 to 4186.009 Hz.
std::int16_t GetMIDINoteNumber(const double& Frequency);

// "A4", "C#3", "Bb4" ...; "out of range" for -1.
std::string Note_Octave(std::int16_t MidiNoteNumber);

// Cents from the equal-tempered semitone below, as "+12", "-7", "0" or "±50" (UTF-8).
// A frequency of zero or below raises "Invalid procedure call or argument".
std::string Tuning(const double& Frequency);

inline constexpr const char* kOutOfRange = "out of range";
