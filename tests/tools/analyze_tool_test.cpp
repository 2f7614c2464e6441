// SPDX-License-Identifier: GPL-3.0-or-later
// corvandel-analyze run as a program on files written here with libsndfile.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class AnalyzeTool : public ::testing::Test {
 protected:
  void SetUp() override {
    // One folder, not nested: a parameterised test's name holds a slash.
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    folder_ = fs::temp_directory_path() /
              ("corvandel-analyze-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + name);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Runs the analyser after `input` (a shell prefix such as "cat f | "), its output
  // going to `output` unless that is left empty.
  ToolRun Analyze(const std::string& arguments, const std::string& input = "",
                  std::string output = "") {
    const fs::path out = folder_ / "out.txt";
    const fs::path err = folder_ / "err.txt";
    if (output.empty()) output = out.string();
    const std::string command = input + CORVANDEL_ANALYZE + " " + arguments + " >" + output +
                                " 2>" + err.string();
    const int raw = std::system(command.c_str());
    ToolRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = fs::exists(out) ? ReadText(out) : "";
    run.err = ReadText(err);
    fs::remove(out);
    return run;
  }

  // A 16-bit WAV (or `format`) of the given channels; each frame's values come from `sample`.
  template <typename Sample>
  fs::path WriteWav(const std::string& name, int rate, int channels, int frames, Sample sample,
                    int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16) {
    const fs::path path = folder_ / name;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<short> data(static_cast<std::size_t>(frames * channels));
    for (int i = 0; i < frames; ++i)
      for (int c = 0; c < channels; ++c)
        data[static_cast<std::size_t>(i * channels + c)] = sample(i, c);
    sf_writef_short(file, data.data(), frames);
    sf_close(file);
    return path;
  }

  fs::path folder_;
};

void Overwrite(const fs::path& file, std::streamoff offset, const std::string& bytes) {
  std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
  out.seekp(offset);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

short Tone(double frequency, double amplitude, int i, int rate) {
  return static_cast<short>(std::lround(amplitude * std::sin(2 * 3.141592653589793 * frequency * i / rate)));
}

// A stereo 440 Hz tone at 48000 Hz: every block reads A4, in tune, at that rate.
TEST_F(AnalyzeTool, NamesA440RecordedInStereoAt48000Hz) {
  const auto wav = WriteWav("a440.wav", 48000, 2, 48000, [](int i, int) { return Tone(440, 8000, i, 48000); });
  const ToolRun run = Analyze("--csv " + wav.string());
  ASSERT_EQ(run.status, 0) << run.err;
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 1u + 48000 / 4096);
  EXPECT_EQ(lines[0], "time,frequency_hz,frequency,note,tuning,reason");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_NE(lines[i].find("\"Note: A4\""), std::string::npos) << lines[i];
    EXPECT_TRUE(lines[i].ends_with("\"Tuning: 0\",")) << lines[i];
    EXPECT_NEAR(std::stod(lines[i].substr(lines[i].find(',') + 1)), 440.0, 0.3) << lines[i];
  }
}

// A threshold set by name steers the decision, and every block without a reading says
// why: asked to repeat better than any block can, the tone reads nothing, for want of a
// clear period.
TEST_F(AnalyzeTool, AThresholdSetByNameSteersTheDecisionAndTheReasonIsGiven) {
  const auto wav = WriteWav("a440.wav", 44100, 1, 8192, [](int i, int) { return Tone(440, 8000, i, 44100); });
  const ToolRun run = Analyze("--csv --points 4096 --threshold notePeriodicity=1.01 " + wav.string());
  ASSERT_EQ(run.status, 0) << run.err;
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 3u);
  for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_TRUE(lines[i].ends_with(",no-clear-period")) << lines[i];
}

// The note and tuning are named for the reference pitch; the frequency stays in hertz.
TEST_F(AnalyzeTool, NamesNotesForTheReferencePitch) {
  const auto wav = WriteWav("a442.wav", 44100, 1, 3 * 4096, [](int i, int) { return Tone(442, 8000, i, 44100); });
  const auto frequencies = [](const std::string& line) { return line.substr(0, line.find(",\"Note")); };
  const auto standard = Lines(Analyze("--csv " + wav.string()).out);
  ASSERT_EQ(standard.size(), 4u);
  const struct { const char* options; const char* note; const char* tuning; } cases[] = {
      {"", "Note: A4", "Tuning: +8"},          {"--a4 440", "Note: A4", "Tuning: +8"},
      {"--a4 442", "Note: A4", "Tuning: 0"},   {"--a4=442.0", "Note: A4", "Tuning: 0"},
      {"--a4 432", "Note: A4", "Tuning: +40"}, {"--a4 415", "Note: Bb4", "Tuning: +9"}};
  for (const auto& c : cases) {
    const ToolRun run = Analyze(std::string(c.options) + " --csv " + wav.string());
    ASSERT_EQ(run.status, 0) << c.options << ": " << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), standard.size()) << c.options;
    for (std::size_t i = 1; i < lines.size(); ++i) {
      EXPECT_EQ(frequencies(lines[i]), frequencies(standard[i])) << c.options;
      EXPECT_NE(lines[i].find(std::string(",\"") + c.note + "\",\"" + c.tuning + "\","), std::string::npos)
          << c.options << ": " << lines[i];
    }
  }
}

// The labels follow the window's rules: they start bare, the note label keeps its text
// through silence, the tuning label too, while the frequency reads 0.
TEST_F(AnalyzeTool, LabelsStartBareAndKeepTheirTextThroughSilence) {
  // 1024 samples of silence, 2048 of a low A, 1024 of silence, at --points 1024.
  const auto wav = WriteWav("gaps.wav", 44100, 1, 4096, [](int i, int) {
    return static_cast<short>(i >= 1024 && i < 3072 ? Tone(110, 12000, i, 44100) : 0);
  });
  const ToolRun run = Analyze("--points 1024 " + wav.string());
  ASSERT_EQ(run.status, 0) << run.err;
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[0].find("Frequency: 0 "), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("Note: "), std::string::npos);
  EXPECT_EQ(lines[0].find("Note: A"), std::string::npos) << lines[0];
  EXPECT_TRUE(lines[0].ends_with("Tuning:")) << lines[0];
  EXPECT_NE(lines[1].find("Note: A2"), std::string::npos) << lines[1];
  EXPECT_NE(lines[3].find("Frequency: 0 "), std::string::npos) << lines[3];
  EXPECT_NE(lines[3].find("Note: A2"), std::string::npos) << lines[3];
  const std::string tuning = lines[2].substr(lines[2].find("Tuning:"));
  EXPECT_TRUE(lines[3].ends_with(tuning)) << lines[3];
}

// Channels are mixed before the analysis: opposite channels cancel to silence.
TEST_F(AnalyzeTool, MixesTheChannels) {
  const auto wav = WriteWav("cancel.wav", 44100, 2, 8192, [](int i, int c) {
    const short v = Tone(440, 8000, i, 44100);
    return static_cast<short>(c == 0 ? v : -v);
  });
  const ToolRun run = Analyze("--csv --points=2048 " + wav.string());
  ASSERT_EQ(run.status, 0) << run.err;
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 5u);
  for (std::size_t i = 1; i < lines.size(); ++i)
    EXPECT_NE(lines[i].find(",0.000000,\"Frequency: 0\",\"Note:\",\"Tuning:\""), std::string::npos)
        << lines[i];
}

// 16-bit samples are read as they are, other formats as normalised values: the same
// sound reads alike either way, mixed channels included (odd sums round half to even).
TEST_F(AnalyzeTool, ReadsSixteenBitSamplesAsTheSameSoundInTwentyFourBits) {
  for (const int channels : {1, 2}) {
    const auto sample = [](int i, int c) { return static_cast<short>(Tone(147, 9000, i, 44100) + c); };
    const auto whole = WriteWav("whole.wav", 44100, channels, 3 * 4096, sample);
    const auto wider = WriteWav("wider.wav", 44100, channels, 3 * 4096, sample, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    const ToolRun a = Analyze("--csv --points 1024 " + whole.string());
    const ToolRun b = Analyze("--csv --points 1024 " + wider.string());
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(Lines(a.out).size(), 13u);
    EXPECT_EQ(a.out, b.out) << channels << " channels";
  }
}

constexpr const char* kTryHelp = "Try 'corvandel-analyze --help' for more information.";

struct BadInput {
  const char* name;
  const char* contents;   // file contents; nullptr: no file at all
  const char* arguments;  // FILE stands for the file's path
  int status;
  const char* complaint;
};

// Names the case in test listings rather than dumping its bytes.
void PrintTo(const BadInput& input, std::ostream* out) { *out << input.name; }

class AnalyzeToolRefuses : public AnalyzeTool, public ::testing::WithParamInterface<BadInput> {};

// Nothing on stdout, a non-zero exit, never a crash; the complaint on one line, and for a
// wrong command line a second one that points to --help.
TEST_P(AnalyzeToolRefuses, WithOneLineAndAnError) {
  const BadInput& c = GetParam();
  const fs::path file = folder_ / "input.wav";
  if (c.contents != nullptr) std::ofstream(file, std::ios::binary) << c.contents;
  std::string arguments = c.arguments;
  for (std::size_t at; (at = arguments.find("FILE")) != std::string::npos;)
    arguments.replace(at, 4, file.string());
  const ToolRun run = Analyze(arguments);
  EXPECT_EQ(run.status, c.status);
  EXPECT_EQ(run.out, "");
  const auto lines = Lines(run.err);
  ASSERT_EQ(lines.size(), c.status == 2 ? 2u : 1u) << run.err;
  EXPECT_NE(lines[0].find(c.complaint), std::string::npos) << run.err;
  if (c.status == 2) {
    EXPECT_EQ(lines[1], kTryHelp);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, AnalyzeToolRefuses,
    ::testing::Values(BadInput{"missing_file", nullptr, "FILE", 1, "cannot analyse"},
                      BadInput{"empty_file", "", "FILE", 1, "cannot analyse"},
                      BadInput{"text_file", "time,frequency\n0,440\n", "--csv FILE", 1, "cannot analyse"},
                      BadInput{"points_not_offered", "", "--points 1000 FILE", 2, "'1000'"},
                      BadInput{"points_not_a_number", "", "--points=many FILE", 2, "'many'"},
                      BadInput{"points_without_value", "", "--csv FILE --points", 2, "requires an argument"},
                      BadInput{"a4_below_range", "", "--a4 399.9 FILE", 2, "'399.9' (400.0 to 480.0 Hz)"},
                      BadInput{"a4_above_range", "", "--a4=880 FILE", 2, "'880'"},
                      BadInput{"a4_not_a_number", "", "--a4 concert FILE", 2, "'concert'"},
                      BadInput{"a4_without_value", "", "FILE --a4", 2, "'--a4' requires an argument"},
                      BadInput{"unknown_option", "", "--fast FILE", 2, "unrecognized option '--fast'"},
                      BadInput{"unknown_threshold", "", "--threshold loudness=1 FILE", 2, "unknown threshold 'loudness'"},
                      BadInput{"threshold_not_a_number", "", "--threshold=noteDepth=deep FILE", 2, "invalid value 'deep'"},
                      BadInput{"threshold_without_value", "", "--threshold noteDepth FILE", 2, "NAME=VALUE"},
                      BadInput{"unknown_decision", "", "--decision=best FILE", 2, "invalid decision 'best'"},
                      BadInput{"option_with_a4_prefix", "", "--a44 FILE", 2, "unrecognized option '--a44'"},
                      BadInput{"no_file", "", "--csv", 2, "missing file operand"},
                      BadInput{"two_files", "", "FILE FILE", 2, "extra operand"}),
    [](const auto& test) { return std::string(test.param.name); });

// A top-bin tone: 1023 cycles in 2048 samples, the highest bin the analysis looks at for
// N = 4096, so its bin frequency is the largest the analysis computes.
short TopBinTone(int i, int) {
  return static_cast<short>(std::lround(12000 * std::sin(2 * 3.141592653589793 * 1023 * i / 2048)));
}

// Recordings that hold nothing to analyse, or claim a rate the analysis cannot use, are
// refused once; the highest usable rate is still analysed.
TEST_F(AnalyzeTool, RefusesRecordingsItCannotAnalyseOnce) {
  const struct {
    const char* name;
    int frames;
    std::uint32_t rate;  // written into the header
    const char* points;
    int status;
    const char* complaint;
  } cases[] = {
      {"no_samples", 0, 44100, "4096", 1, "it holds no audio samples"},
      {"shorter_than_a_block", 4095, 44100, "4096", 1, "it holds 4095 samples, fewer than one block of 4096"},
      {"absurd_rate", 8192, 2147483647u, "1024", 1, "sample rate of 2147483647 Hz"},
      {"rate_just_too_high", 8192, 2099203u, "4096", 1, "(1 to 2099202 Hz)"},
      {"highest_usable_rate", 8192, 2099202u, "4096", 0, ""},
  };
  for (const auto& c : cases) {
    const auto wav = WriteWav(std::string(c.name) + ".wav", 44100, 1, c.frames, TopBinTone);
    // The format chunk's sample rate, little-endian.
    Overwrite(wav, 24, {static_cast<char>(c.rate), static_cast<char>(c.rate >> 8),
                        static_cast<char>(c.rate >> 16), static_cast<char>(c.rate >> 24)});
    const ToolRun run = Analyze(std::string("--points ") + c.points + " " + wav.string());
    EXPECT_EQ(run.status, c.status) << c.name << ": " << run.err;
    if (c.status == 0) {
      EXPECT_EQ(Lines(run.out).size(), 2u) << c.name;
      EXPECT_EQ(run.err, "") << c.name;
    } else {
      EXPECT_EQ(run.out, "") << c.name;
      EXPECT_EQ(Lines(run.err).size(), 1u) << c.name << ": " << run.err;
      EXPECT_NE(run.err.find(c.complaint), std::string::npos) << c.name << ": " << run.err;
    }
  }
}

// A recording from a pipe, a FIFO or standard input reads as the same file does; the
// formats libsndfile cannot read from a stream are refused in one honest line.
TEST_F(AnalyzeTool, ReadsStreamsAsTheFile) {
  const struct {
    const char* name;
    int format;
    bool readsFromPipe;
  } cases[] = {
      {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, true},
      {"tone.au", SF_FORMAT_AU | SF_FORMAT_PCM_16, true},
      {"tone.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_16, true},
      {"tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, true},
      {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, false},
      {"tone.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16, false},
  };
  const fs::path fifo = folder_ / "fifo";
  ASSERT_EQ(std::system(("mkfifo " + fifo.string()).c_str()), 0);
  for (const auto& c : cases) {
    const auto file = WriteWav(c.name, 44100, 2, 3 * 4096 + 100,
                               [](int i, int) { return Tone(196, 9000, i, 44100); }, c.format);
    // The data size a writer to a pipe leaves unknown.
    if (std::string(c.name).ends_with(".au")) Overwrite(file, 8, "\xff\xff\xff\xff");
    const ToolRun fromFile = Analyze(file.string());
    ASSERT_EQ(fromFile.status, 0) << c.name << ": " << fromFile.err;
    ASSERT_EQ(Lines(fromFile.out).size(), 3u) << c.name;
    const ToolRun redirected = Analyze("- <" + file.string());
    EXPECT_EQ(redirected.out, fromFile.out) << c.name;
    const std::pair<std::string, std::string> streams[] = {
        {"cat " + file.string() + " | ", "-"},
        {"cat " + file.string() + " >" + fifo.string() + " & ", fifo.string()}};
    for (const auto& [input, operand] : streams) {
      const ToolRun streamed = Analyze(operand, input);
      if (c.readsFromPipe) {
        EXPECT_EQ(streamed.status, 0) << c.name << " " << input << streamed.err;
        EXPECT_EQ(streamed.out, fromFile.out) << c.name << " " << input;
      } else {
        EXPECT_EQ(streamed.status, 1) << c.name << " " << input;
        EXPECT_EQ(streamed.out, "") << c.name << " " << input;
        EXPECT_EQ(Lines(streamed.err).size(), 1u) << streamed.err;
        EXPECT_NE(streamed.err.find("cannot be read from a pipe"), std::string::npos) << streamed.err;
      }
    }
  }
}

// A failed write is an error, said once, whatever is being written: readings that fill
// the output buffer many times over, or a few lines written only at the exit.
TEST_F(AnalyzeTool, ReportsAFailedWrite) {
  const auto wav = WriteWav("a.wav", 44100, 1, 441000, [](int i, int) { return Tone(440, 8000, i, 44100); });
  for (const std::string& arguments : {"--csv --points 1024 " + wav.string(), std::string("--help"), std::string("--version")}) {
    const ToolRun run = Analyze(arguments, "", "/dev/full");
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_EQ(run.err, "corvandel-analyze: cannot write the output: No space left on device\n") << arguments;
  }
}

TEST_F(AnalyzeTool, HelpAndVersionGoToStandardOutput) {
  const ToolRun help = Analyze("--points 1024 --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  EXPECT_TRUE(help.out.starts_with("Usage: corvandel-analyze [OPTION]... FILE\n")) << help.out;
  for (const char* option : {"--points", "--a4", "--csv", "--help", "--version"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  const ToolRun version = Analyze("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "corvandel-analyze (Corvandel Pitch Suite) " CORVANDEL_VERSION "\n");
}

}  // namespace
