// SPDX-License-Identifier: GPL-3.0-or-later
// corvandel-analyze: reads a recording and prints, block by block, what the tuner's
// three result labels would show for it. Same analysis, same captions, same rules for
// when a label keeps its text as the window's measuring loop.
//
//   corvandel-analyze [--points 1024|2048|4096] [--a4 HZ] [--csv] [--threshold NAME=VALUE]
//                     [--decision rules|scored] FILE
//
// The recording is analysed as it is read, so a pipe works and memory stays flat.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "analysis/fourier_transform.h"
#include "analysis/numeric.h"
#include "readings/reading_pipeline.h"
#include "tools/command_line.h"
#include "tools/recording_reader.h"

namespace {

// The analysis names the strongest bin's frequency as bin × rate in a signed 32-bit
// integer, and the highest bin it looks at is N/4 − 1: above this rate a block can
// overflow that product.
std::int64_t HighestUsableRate(std::int32_t points) {
  return std::numeric_limits<std::int32_t>::max() / (points / 4 - 1);
}

std::string CsvField(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void Complain(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kProgramName, message.c_str());
}

// Flushes standard output; on a failed write says so once and gives the exit status 1.
int FinishOutput(int status, int earlierWriteError) {
  int writeError = earlierWriteError;
  if (writeError == 0 && (std::fflush(stdout) != 0 || std::ferror(stdout))) writeError = errno;
  if (writeError == 0) return status;
  Complain(std::string("cannot write the output: ") + std::strerror(writeError));
  return 1;
}

int Analyse(const CommandLine& line) {
  const std::string name = line.file == "-" ? "standard input" : line.file;
  RecordingReader reader(line.file);
  if (!reader.IsOpen()) {
    Complain("cannot analyse " + name + ": " + reader.Problem());
    return 1;
  }
  const std::int32_t N = line.points;
  if (reader.SampleRate() < 1 || reader.SampleRate() > HighestUsableRate(N)) {
    Complain("cannot analyse " + name + ": its sample rate of " + std::to_string(reader.SampleRate()) +
             " Hz is outside what the analysis can use at " + std::to_string(N) + " points (1 to " +
             std::to_string(HighestUsableRate(N)) + " Hz)");
    return 1;
  }
  const auto sampleRate = static_cast<std::int32_t>(reader.SampleRate());
  const std::vector<std::int32_t> table = BitReversal(N / 2);

  // The labels as the window starts them.
  std::string frequencyLabel = "Frequency:";
  std::string noteLabel = "Note:";
  std::string tuningLabel = "Tuning:";
  ReadingPipeline pipeline(sampleRate);
  pipeline.Analysis().Thresholds = line.thresholds;
  pipeline.Analysis().FundamentalDecision = line.decision;
  pipeline.SetReferencePitch(line.pitchA4);

  // Only the first N samples of the 2N-sample buffer are ever filled, as in the window.
  std::vector<std::int16_t> buffer(2 * static_cast<std::size_t>(N), 0);
  const auto blockLength = static_cast<std::size_t>(N);
  std::size_t blocks = 0;
  std::size_t samplesInLastRead = 0;
  int status = 0;
  int writeError = 0;
  while ((samplesInLastRead = reader.Read(buffer.data(), blockLength)) == blockLength) {
    if (blocks == 0 && line.csv) std::puts("time,frequency_hz,frequency,note,tuning,reason");
    const double time = static_cast<double>(blocks * blockLength) / sampleRate;
    ++blocks;
    double frequency = 0.0;
    NoReading reason = NoReading::None;
    try {
      // A recording is one unbroken stream: each block starts where the last one ended.
      const BlockReading reading = pipeline.Read(buffer, table, (blocks - 1) * blockLength);
      frequency = reading.frequency;
      reason = reading.reason;
      frequencyLabel = reading.frequencyCaption;
      if (reading.noteCaption) noteLabel = *reading.noteCaption;
      if (reading.tuningCaption) tuningLabel = *reading.tuningCaption;
    } catch (const RuntimeError& error) {
      // The window stops measuring after an error; a recording is better read to its end.
      std::fprintf(stderr, "%s: block at %.3f s: %s\n", kProgramName, time, error.Description().c_str());
      status = 1;
    }
    if (line.csv)
      std::printf("%.6f,%.6f,%s,%s,%s,%s\n", time, frequency, CsvField(frequencyLabel).c_str(),
                  CsvField(noteLabel).c_str(), CsvField(tuningLabel).c_str(), NoReadingName(reason));
    else
      std::printf("%9.3f s  %-20s %-12s %s\n", time, frequencyLabel.c_str(), noteLabel.c_str(),
                  tuningLabel.c_str());
    if (std::ferror(stdout)) {  // nobody reads the rest: stop at once
      writeError = errno;
      break;
    }
  }

  if (writeError == 0 && !reader.Problem().empty()) {
    Complain("reading " + name + " stopped after " + std::to_string(blocks) + " blocks: " + reader.Problem());
    status = 1;
  } else if (writeError == 0 && blocks == 0) {
    Complain("cannot analyse " + name + ": " +
             (samplesInLastRead == 0 ? reader.WhyNoSamples()
                                     : "it holds " + std::to_string(samplesInLastRead) +
                                           " samples, fewer than one block of " + std::to_string(N)));
    status = 1;
  }
  return FinishOutput(status, writeError);
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine line = ParseCommandLine(argc, argv);
  switch (line.action) {
    case CommandLine::Action::ShowHelp:
      std::fputs(HelpText().c_str(), stdout);
      return FinishOutput(0, 0);
    case CommandLine::Action::ShowVersion:
      std::fputs(VersionText(CORVANDEL_VERSION).c_str(), stdout);
      return FinishOutput(0, 0);
    case CommandLine::Action::Refuse:
      std::fputs(UsageErrorText(line.error).c_str(), stderr);
      return kExitUsage;
    case CommandLine::Action::Analyse:
      break;
  }
  return Analyse(line);
}
