// corvandel-analyze: reads a recording and prints, block by block, what the tuner's
// three result labels would show for it. Same analysis, same captions, same rules for
// when a label keeps its text as the window's measuring loop.
//
//   corvandel-analyze [--points 1024|2048|4096] [--csv] FILE
//
// Any format libsndfile reads (WAV, FLAC, OGG ...), at any sample rate; channels are
// mixed to one and rounded to 16-bit samples, as a mono sound card would deliver them.
// Consecutive blocks of N samples (default 4096) are analysed; an incomplete last block
// is not.
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/numeric.h"
#include "analysis/fourier_transform.h"
#include "capture/result_captions.h"

namespace {

constexpr const char* kUsage =
    "usage: corvandel-analyze [--points 1024|2048|4096] [--csv] FILE\n";

struct Options {
  std::int32_t points = 4096;
  bool csv = false;
  std::string file;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  bool haveFile = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--csv") {
      options.csv = true;
    } else if (argument == "--points" && i + 1 < argc) {
      const std::string_view value = argv[++i];
      if (value == "1024") options.points = 1024;
      else if (value == "2048") options.points = 2048;
      else if (value == "4096") options.points = 4096;
      else return std::nullopt;
    } else if (!argument.empty() && argument[0] == '-') {
      return std::nullopt;
    } else if (!haveFile) {
      options.file = argument;
      haveFile = true;
    } else {
      return std::nullopt;
    }
  }
  if (!haveFile) return std::nullopt;
  return options;
}

struct Recording {
  std::vector<std::int16_t> samples;
  std::int32_t sampleRate = 0;
};

// The recording mixed to mono 16-bit samples, or the reason it could not be read.
std::optional<Recording> ReadRecording(const std::string& path, std::string& problem) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    problem = sf_strerror(nullptr);
    return std::nullopt;
  }
  Recording recording;
  recording.sampleRate = info.samplerate;
  if (info.frames <= 0 || info.channels <= 0 || info.samplerate <= 0) {
    sf_close(file);
    problem = "it holds no audio samples";
    return std::nullopt;
  }
  const auto channels = static_cast<std::size_t>(info.channels);
  std::vector<double> frame(channels);
  recording.samples.reserve(static_cast<std::size_t>(info.frames));
  // Normalised reading: full scale is 1.0 whatever the file's own sample format.
  while (sf_readf_double(file, frame.data(), 1) == 1) {
    double sum = 0.0;
    for (const double v : frame) sum += v;
    const double value = RoundHalfEven(sum / static_cast<double>(channels) * 32768.0);
    const double clipped = std::fmin(32767.0, std::fmax(-32768.0, std::isfinite(value) ? value : 0.0));
    recording.samples.push_back(static_cast<std::int16_t>(clipped));
  }
  sf_close(file);
  if (recording.samples.empty()) {
    problem = "it holds no audio samples";
    return std::nullopt;
  }
  return recording;
}

std::string CsvField(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string problem;
  const std::optional<Recording> recording = ReadRecording(options->file, problem);
  if (!recording) {
    std::fprintf(stderr, "corvandel-analyze: cannot analyse %s: %s\n", options->file.c_str(),
                 problem.c_str());
    return 1;
  }

  const std::int32_t N = options->points;
  const std::size_t blockLength = static_cast<std::size_t>(N);
  const std::size_t blocks = recording->samples.size() / blockLength;
  const std::vector<std::int32_t> table = BitReversal(N / 2);

  // The labels as the window starts them.
  std::string frequencyLabel = "Frequency:";
  std::string noteLabel = "Note:";
  std::string tuningLabel = "Tuning:";
  std::string lastNoteWritten;
  PitchAnalysis analysis;
  analysis.SetTuningCaption = [&](const std::string& caption) { tuningLabel = caption; };

  if (options->csv) std::puts("time,frequency_hz,frequency,note,tuning");
  std::vector<std::int16_t> buffer(2 * blockLength, 0);
  int status = 0;
  for (std::size_t b = 0; b < blocks; ++b) {
    const auto first = recording->samples.begin() + static_cast<std::ptrdiff_t>(b * blockLength);
    std::copy(first, first + N, buffer.begin());
    const double time = static_cast<double>(b * blockLength) / recording->sampleRate;
    double frequency = 0.0;
    try {
      frequency = analysis.DominantFrequency(buffer, table, recording->sampleRate);
      frequencyLabel = FrequencyCaption(frequency);
      if (const auto note = NoteCaptionUpdate(frequency, lastNoteWritten)) noteLabel = *note;
    } catch (const RuntimeError& error) {
      // The window stops measuring after an error; a recording is better read to its end.
      std::fprintf(stderr, "corvandel-analyze: block at %.3f s: %s\n", time,
                   error.Description().c_str());
      status = 1;
    }
    if (options->csv)
      std::printf("%.6f,%.6f,%s,%s,%s\n", time, frequency, CsvField(frequencyLabel).c_str(),
                  CsvField(noteLabel).c_str(), CsvField(tuningLabel).c_str());
    else
      std::printf("%9.3f s  %-20s %-12s %s\n", time, frequencyLabel.c_str(), noteLabel.c_str(),
                  tuningLabel.c_str());
  }
  return status;
}
