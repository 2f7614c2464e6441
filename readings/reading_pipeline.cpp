// SPDX-License-Identifier: GPL-3.0-or-later
#include "readings/reading_pipeline.h"

#include <cmath>

#include "analysis/note_naming.h"
#include "readings/result_captions.h"

ReadingPipeline::ReadingPipeline(std::int32_t sampleRate, char decimalSeparator)
    : sampleRate_(sampleRate), decimalSeparator_(decimalSeparator), hum_(sampleRate) {
  analysis_.SetTuningCaption = [this](const std::string& caption) { tuningCaption_ = caption; };
}

BlockReading ReadingPipeline::Read(std::vector<std::int16_t>& samples,
                                   const std::vector<std::int32_t>& bitReversalTable,
                                   std::optional<std::uint64_t> position) {
  const std::size_t N = samples.size() / 2;
  if (position)
    hum_.Remove(samples.data(), N, *position);
  else
    hum_.Forget();
  tuningCaption_.reset();
  BlockReading reading;
  reading.seconds = static_cast<double>(N) / sampleRate_;
  reading.frequency = analysis_.DominantFrequency(samples, bitReversalTable, sampleRate_);
  reading.frequencyCaption = FrequencyCaption(reading.frequency, decimalSeparator_);
  reading.noteCaption = NoteCaptionUpdate(reading.frequency, lastNoteWritten_);
  reading.tuningCaption = std::move(tuningCaption_);
  reading.noteNumber = GetMIDINoteNumber(reading.frequency);
  if (reading.noteNumber >= 0)
    reading.cents = 1200.0 * std::log2(reading.frequency / 440.0) - 100.0 * (reading.noteNumber - 69);
  return reading;
}
