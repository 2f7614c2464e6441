// corvandel-analyze run as a program on files written here with libsndfile.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
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
    folder_ = fs::temp_directory_path() /
              ("corvandel-analyze-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  ToolRun Analyze(const std::string& arguments) {
    const fs::path out = folder_ / "out.txt";
    const fs::path err = folder_ / "err.txt";
    const std::string command = std::string(CORVANDEL_ANALYZE) + " " + arguments + " >" +
                                out.string() + " 2>" + err.string();
    const int raw = std::system(command.c_str());
    ToolRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadText(out);
    run.err = ReadText(err);
    return run;
  }

  // A 16-bit WAV of the given channels; each frame's values come from `sample`.
  template <typename Sample>
  fs::path WriteWav(const std::string& name, int rate, int channels, int frames, Sample sample) {
    const fs::path path = folder_ / name;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
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
  EXPECT_EQ(lines[0], "time,frequency_hz,frequency,note,tuning");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_NE(lines[i].find("\"Note: A4\""), std::string::npos) << lines[i];
    EXPECT_NE(lines[i].find("\"Tuning: 0\""), std::string::npos) << lines[i];
    EXPECT_NEAR(std::stod(lines[i].substr(lines[i].find(',') + 1)), 440.0, 0.3) << lines[i];
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
  const ToolRun run = Analyze("--csv --points 2048 " + wav.string());
  ASSERT_EQ(run.status, 0) << run.err;
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 5u);
  for (std::size_t i = 1; i < lines.size(); ++i)
    EXPECT_NE(lines[i].find(",0.000000,\"Frequency: 0\",\"Note:\",\"Tuning:\""), std::string::npos)
        << lines[i];
}

struct BadInput {
  const char* name;
  const char* contents;   // file contents; nullptr: no file at all
  const char* options;
  int status;
};

// Names the case in test listings rather than dumping its bytes.
void PrintTo(const BadInput& input, std::ostream* out) { *out << input.name; }

class AnalyzeToolRefuses : public AnalyzeTool, public ::testing::WithParamInterface<BadInput> {};

// One line on stderr, nothing on stdout, a non-zero exit; never a crash.
TEST_P(AnalyzeToolRefuses, WithOneLineAndAnError) {
  const BadInput& c = GetParam();
  const fs::path file = folder_ / "input.wav";
  if (c.contents != nullptr) std::ofstream(file, std::ios::binary) << c.contents;
  const ToolRun run = Analyze(std::string(c.options) + " " + file.string());
  EXPECT_EQ(run.status, c.status);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, AnalyzeToolRefuses,
    ::testing::Values(BadInput{"missing_file", nullptr, "", 1},
                      BadInput{"empty_file", "", "", 1},
                      BadInput{"text_file", "time,frequency\n0,440\n", "--csv", 1},
                      BadInput{"points_not_offered", "", "--points 1000", 2},
                      BadInput{"points_not_a_number", "", "--points many", 2},
                      BadInput{"points_without_value", "", "--csv --points", 2},
                      BadInput{"unknown_option", "", "--fast", 2}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(AnalyzeTool, RefusesAWavWithoutSamplesAndAMissingArgument) {
  const auto wav = WriteWav("none.wav", 44100, 1, 0, [](int, int) { return short{0}; });
  const ToolRun noSamples = Analyze(wav.string());
  EXPECT_EQ(noSamples.status, 1);
  EXPECT_NE(noSamples.err.find("no audio samples"), std::string::npos) << noSamples.err;
  const ToolRun noFile = Analyze("--csv");
  EXPECT_EQ(noFile.status, 2);
  EXPECT_NE(noFile.err.find("usage:"), std::string::npos) << noFile.err;
}

}  // namespace
