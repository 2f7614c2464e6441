// SPDX-License-Identifier: GPL-3.0-or-later
// How steady the meter's needle stands on the open-strings recording, next to the raw
// per-block cents, and how quickly it follows a change: reads the output of
// `corvandel-analyze --csv --points N media/open-strings.flac` on standard input and
// prints one table row.
//   meter_steadiness N [MEDIAN_SPAN_MS SETTLE_MS]
// The recording's strings start every 2 s; each is judged from 0.6 s to 1.9 s after
// its onset, on the blocks that name its note. The spread is the root mean square of
// each string's standard deviation (slow drift of the string included); the jitter
// that of the block-to-block scatter alone. The step is the time the needle takes to come
// within 1 cent of a 10-cent change of the same note, blocks of N points apart.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/note_naming.h"
#include "window/meter/meter_model.h"

namespace {

constexpr int kStrings = 6;
constexpr double kOnsetSpacing = 2.0;
constexpr double kSustainFrom = 0.6;
constexpr double kSustainTo = 1.9;

struct Spread {
  double sumOfVariances = 0.0;
  double sumOfSquaredSteps = 0.0;
  int steps = 0;
  int strings = 0;
  void Add(const std::vector<double>& values) {
    if (values.size() < 2) return;
    for (std::size_t i = 1; i < values.size(); ++i) {
      sumOfSquaredSteps += (values[i] - values[i - 1]) * (values[i] - values[i - 1]);
      ++steps;
    }
    double mean = 0.0;
    for (const double v : values) mean += v;
    mean /= static_cast<double>(values.size());
    double variance = 0.0;
    for (const double v : values) variance += (v - mean) * (v - mean);
    sumOfVariances += variance / static_cast<double>(values.size() - 1);
    ++strings;
  }
  double Rms() const { return strings > 0 ? std::sqrt(sumOfVariances / strings) : 0.0; }
  // Block-to-block jitter, apart from the slow drift of a string: the root mean square
  // of the steps between consecutive blocks over the square root of two, which is the
  // standard deviation for readings that scatter independently.
  double Jitter() const { return steps > 0 ? std::sqrt(sumOfSquaredSteps / steps / 2.0) : 0.0; }
};

MeterClock::time_point At(double seconds) {
  return MeterClock::time_point(std::chrono::duration_cast<MeterClock::duration>(std::chrono::duration<double>(seconds)));
}

BlockReading Reading(double frequency) {
  BlockReading reading;
  reading.frequency = frequency;
  reading.noteNumber = GetMIDINoteNumber(frequency);
  if (reading.noteNumber >= 0) reading.cents = CentsFromNote(frequency, reading.noteNumber);
  return reading;
}

double StepSeconds(const MeterTiming& timing, double blockSeconds) {
  MeterModel model(timing);
  const double a3 = 220.0;
  double t = 0.0;
  for (; t < 2.0; t += blockSeconds) model.Show(Reading(a3), At(t));
  const double stepAt = t;
  for (; t < 10.0; t += blockSeconds) {
    model.Show(Reading(a3 * std::exp2(10.0 / 1200.0)), At(t));
    if (std::abs(model.NeedleCents() - 10.0) <= 1.0) return t - stepAt;
  }
  return -1.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: meter_steadiness N [MEDIAN_SPAN_MS SETTLE_MS] < analyser-csv\n");
    return 2;
  }
  const int points = std::atoi(argv[1]);
  MeterTiming timing;
  if (argc == 4) {
    timing.medianSpan = std::chrono::milliseconds(std::atoi(argv[2]));
    timing.settleTime = std::chrono::milliseconds(std::atoi(argv[3]));
  }
  MeterModel model(timing);
  std::map<int, std::map<int, std::vector<std::pair<double, double>>>> byStringAndNote;  // raw, needle
  std::string line;
  std::getline(std::cin, line);  // the header
  while (std::getline(std::cin, line)) {
    std::istringstream fields(line);
    std::string time;
    std::string frequency;
    std::getline(fields, time, ',');
    std::getline(fields, frequency, ',');
    const double seconds = std::stod(time);
    const BlockReading reading = Reading(std::stod(frequency));
    model.Show(reading, At(seconds));
    const int string = static_cast<int>(seconds / kOnsetSpacing);
    const double sinceOnset = seconds - string * kOnsetSpacing;
    if (reading.noteNumber < 0 || string >= kStrings || sinceOnset < kSustainFrom || sinceOnset > kSustainTo)
      continue;
    byStringAndNote[string][reading.noteNumber].emplace_back(reading.cents, model.NeedleCents());
  }
  Spread raw;
  Spread needle;
  int blocks = 0;
  for (const auto& [string, notes] : byStringAndNote) {
    // The note the string is named most often during its sustain.
    const auto* named = &notes.begin()->second;
    for (const auto& [note, values] : notes)
      if (values.size() > named->size()) named = &values;
    std::vector<double> rawCents;
    std::vector<double> needleCents;
    for (const auto& [r, n] : *named) {
      rawCents.push_back(r);
      needleCents.push_back(n);
    }
    raw.Add(rawCents);
    needle.Add(needleCents);
    blocks += static_cast<int>(named->size());
  }
  const double blockSeconds = points / 44100.0;
  std::printf("| %d | %lld ms, %lld ms | %.2f | %.2f | %.2f | %.2f | %d | %.0f ms |\n", points,
              static_cast<long long>(timing.medianSpan.count()), static_cast<long long>(timing.settleTime.count()), raw.Rms(),
              needle.Rms(), raw.Jitter(), needle.Jitter(), blocks, 1000.0 * StepSeconds(timing, blockSeconds));
  return 0;
}
