// SPDX-License-Identifier: GPL-3.0-or-later
// From a frequency to what the tuner shows: the MIDI note number, the note name with
// its octave ("A4") and the deviation from the nearest semitone in cents ("+12"), for a
// reference pitch A4 of 440 Hz or another the player tunes to (415, 432, 442 ...).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The reference pitch A4: 440 Hz unless the player sets another, from 400.0 to 480.0 Hz
// in tenths of a hertz. At 440 every result below is the one the tuner always gave.
inline constexpr double kStandardPitchA4 = 440.0;
inline constexpr double kLowestPitchA4 = 400.0;
inline constexpr double kHighestPitchA4 = 480.0;

// Nearest equal-tempered note (A4 = PitchA4 = 69), or -1 outside 27.5 to 4186.009 Hz.
std::int16_t GetMIDINoteNumber(const double& Frequency, double PitchA4 = kStandardPitchA4);

// "A4", "C#3", "Bb4" ...; "out of range" for -1.
std::string Note_Octave(std::int16_t MidiNoteNumber);

// Cents from the equal-tempered semitone below, as "+12", "-7", "0" or "±50" (UTF-8).
// A frequency of zero or below raises "Invalid procedure call or argument".
std::string Tuning(const double& Frequency, double PitchA4 = kStandardPitchA4);

// How far Frequency lies from the note MidiNoteNumber, in cents, unrounded: within
// -50 to +50 for the note GetMIDINoteNumber names. A frequency of zero or below raises
// "Invalid procedure call or argument".
double CentsFromNote(double Frequency, std::int16_t MidiNoteNumber, double PitchA4 = kStandardPitchA4);

// A reference pitch written as decimal text in hertz ("442", "415.3"; surrounding
// spaces allowed), rounded to a tenth of a hertz; nothing when the text is no such
// number or the pitch lies outside 400.0 to 480.0 Hz.
std::optional<double> PitchA4FromText(std::string_view text);
// The text PitchA4FromText reads back: one decimal, a point as separator ("442.0").
std::string PitchA4Text(double PitchA4);

inline constexpr const char* kOutOfRange = "out of range";
