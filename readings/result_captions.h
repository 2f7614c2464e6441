// SPDX-License-Identifier: GPL-3.0-or-later
// The texts a measured block puts on the frequency and note labels, and when the note
// label changes; the reading pipeline gives them to the measuring loop and the
// command-line analyser alike. The tuning caption comes from the analysis itself
// (PitchAnalysis::SetTuningCaption), for every block in the musical range.
#pragma once

#include <optional>
#include <string>

// "Frequency: " and the value rounded to two decimals (exact ties to even) in its
// shortest form: 440 -> "Frequency: 440", 82.4069 -> "Frequency: 82.41".
std::string FrequencyCaption(double frequency, char decimalSeparator = '.');

// The caption for the note label after a block at `frequency`: "Note: A4" when the note
// is in range and differs from the one last written (which is then remembered);
// nothing when the label is to keep its text.
std::optional<std::string> NoteCaptionUpdate(double frequency, std::string& lastNoteWritten);
