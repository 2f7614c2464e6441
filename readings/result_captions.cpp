// SPDX-License-Identifier: GPL-3.0-or-later
#include "readings/result_captions.h"

#include <charconv>

#include "analysis/note_naming.h"
#include "analysis/numeric.h"

std::string FrequencyCaption(double frequency, char decimalSeparator) {
  const double rounded = CheckedResult(RoundHalfEven(frequency * 100.0) / 100.0);
  // to_chars, unlike printf, does not follow the C locale: the separator is ours to set.
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, rounded, std::chars_format::general, 15).ptr;
  std::string value(text, end);
  for (char& c : value)
    if (c == '.') c = decimalSeparator;
  return "Frequency: " + value;
}

std::optional<std::string> NoteCaptionUpdate(double frequency, std::string& lastNoteWritten,
                                             double pitchA4) {
  const std::string note = Note_Octave(GetMIDINoteNumber(frequency, pitchA4));
  if (note == kOutOfRange || note == lastNoteWritten) return std::nullopt;
  lastNoteWritten = note;
  return "Note: " + note;
}
