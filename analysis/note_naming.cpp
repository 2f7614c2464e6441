// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/note_naming.h"

#include <vector>

#include "analysis/numeric.h"
#include "analysis/fourier_transform.h"

namespace {
// 12 / ln 2 to 15 significant digits; the displayed note depends on this exact value.
constexpr double kSemitonesPerNaturalLog = 17.3123404906676;
// The A six octaves below A4: the origin of the cent count.
constexpr double kCentOrigin = 6.875;

const std::vector<std::string> kNoteNames = {"C",  "C#", "D",  "Eb", "E",  "F",
                                            "F#", "G",  "Ab", "A",  "Bb", "B"};
}  // namespace

std::int16_t GetMIDINoteNumber(const double& Frequency) {
  // Written so that NaN counts as below the range.
  if (!(Frequency >= kLowestFrequency) || Frequency > kHighestFrequency) return -1;
  return ToInt16(Log(Frequency / 440.0) * kSemitonesPerNaturalLog + 69.0);
}

std::string Note_Octave(std::int16_t MidiNoteNumber) {
  if (MidiNoteNumber == -1) return kOutOfRange;
  const int octave = MidiNoteNumber / 12 - 1;
  return At(kNoteNames, MidiNoteNumber % 12) + std::to_string(octave);
}

std::string Tuning(const double& Frequency) {
  const std::int32_t cents =
      ToInt32(Log(Divide(Frequency, kCentOrigin)) / Log(2.0) * 1200.0);
  const std::int32_t aboveSemitone = (cents % 1200) % 100;
  std::string text;
  if (aboveSemitone == 0)
    text = "0";
  else if (aboveSemitone >= 1 && aboveSemitone <= 49)
    text = "+" + std::to_string(aboveSemitone);
  else if (aboveSemitone == 50)
    text = "\u00B1" "50";
  else if (aboveSemitone >= 51 && aboveSemitone <= 99)
    text = std::to_string(aboveSemitone - 100);
  // Below 6.875 Hz the count is negative and the text stays empty, shown as "+".
  const bool signedAlready = text.starts_with('+') || text.starts_with('-') ||
                             text.starts_with("\u00B1") || text.starts_with('0');
  return signedAlready ? text : "+" + text;
}
