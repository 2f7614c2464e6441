// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/note_naming.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "analysis/numeric.h"
#include "analysis/fourier_transform.h"

namespace {
// 12 / ln 2 to 15 significant digits; the displayed note depends on this exact value.
constexpr double kSemitonesPerNaturalLog = 17.3123404906676;
// The origin of the cent count is the A six octaves below A4: 6.875 Hz for 440. A
// division by 64 is exact, so at 440 the origin is that value to the bit.
constexpr double kCentOriginBelowA4 = 64.0;

const std::vector<std::string> kNoteNames = {"C",  "C#", "D",  "Eb", "E",  "F",
                                            "F#", "G",  "Ab", "A",  "Bb", "B"};
}  // namespace

std::int16_t GetMIDINoteNumber(const double& Frequency, double PitchA4) {
  // Written so that NaN counts as below the range.
  if (!(Frequency >= kLowestFrequency) || Frequency > kHighestFrequency) return -1;
  return ToInt16(Log(Frequency / PitchA4) * kSemitonesPerNaturalLog + 69.0);
}

std::string Note_Octave(std::int16_t MidiNoteNumber) {
  if (MidiNoteNumber == -1) return kOutOfRange;
  const int octave = MidiNoteNumber / 12 - 1;
  return At(kNoteNames, MidiNoteNumber % 12) + std::to_string(octave);
}

std::string Tuning(const double& Frequency, double PitchA4) {
  const double centOrigin = PitchA4 / kCentOriginBelowA4;
  const std::int32_t cents =
      ToInt32(Log(Divide(Frequency, centOrigin)) / Log(2.0) * 1200.0);
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
  // Below the origin the count is negative and the text stays empty, shown as "+".
  const bool signedAlready = text.starts_with('+') || text.starts_with('-') ||
                             text.starts_with("\u00B1") || text.starts_with('0');
  return signedAlready ? text : "+" + text;
}

double CentsFromNote(double Frequency, std::int16_t MidiNoteNumber, double PitchA4) {
  return Log(Divide(Frequency, PitchA4)) / Log(2.0) * 1200.0 - 100.0 * (MidiNoteNumber - 69);
}

std::optional<double> PitchA4FromText(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                            std::chars_format::fixed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  const double tenths = std::round(value * 10.0) / 10.0;
  // Written so that NaN is refused too.
  if (!(tenths >= kLowestPitchA4 && tenths <= kHighestPitchA4)) return std::nullopt;
  return tenths;
}

std::string PitchA4Text(double PitchA4) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, PitchA4, std::chars_format::fixed, 1).ptr;
  return std::string(text, end);
}
