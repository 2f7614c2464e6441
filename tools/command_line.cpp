// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/command_line.h"

#include <optional>
#include <utility>

#include "analysis/note_naming.h"

namespace {

std::optional<std::int32_t> PointsFromText(std::string_view text) {
  if (text == "1024") return 1024;
  if (text == "2048") return 2048;
  if (text == "4096") return 4096;
  return std::nullopt;
}

// True for "NAME" and "NAME=VALUE".
bool IsOptionNamed(std::string_view argument, std::string_view name) {
  return argument.starts_with(name) &&
         (argument.size() == name.size() || argument[name.size()] == '=');
}

// The value of an option given as "NAME=VALUE" or as "NAME VALUE" (which moves i past
// the value); nothing when the value is missing.
std::optional<std::string_view> OptionValue(std::string_view argument, std::string_view name,
                                            int argc, const char* const* argv, int& i) {
  if (argument.size() > name.size()) return argument.substr(name.size() + 1);
  if (i + 1 < argc) return std::string_view(argv[++i]);
  return std::nullopt;
}

CommandLine Refused(std::string error) {
  CommandLine refused;
  refused.action = CommandLine::Action::Refuse;
  refused.error = std::move(error);
  return refused;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  bool haveFile = false;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
    if (isOption && argument == "--") {
      optionsEnded = true;
    } else if (isOption && argument == "--help") {
      line.action = CommandLine::Action::ShowHelp;
      return line;
    } else if (isOption && argument == "--version") {
      line.action = CommandLine::Action::ShowVersion;
      return line;
    } else if (isOption && argument == "--csv") {
      line.csv = true;
    } else if (isOption && IsOptionNamed(argument, "--points")) {
      const auto value = OptionValue(argument, "--points", argc, argv, i);
      if (!value) return Refused("option '--points' requires an argument");
      const auto points = PointsFromText(*value);
      if (!points) return Refused("invalid number of points '" + std::string(*value) + "' (1024, 2048 or 4096)");
      line.points = *points;
    } else if (isOption && IsOptionNamed(argument, "--a4")) {
      const auto value = OptionValue(argument, "--a4", argc, argv, i);
      if (!value) return Refused("option '--a4' requires an argument");
      const auto pitch = PitchA4FromText(*value);
      if (!pitch) return Refused("invalid reference pitch '" + std::string(*value) + "' (400.0 to 480.0 Hz)");
      line.pitchA4 = *pitch;
    } else if (isOption) {
      return Refused("unrecognized option '" + std::string(argument) + "'");
    } else if (!haveFile) {
      line.file = argument;
      haveFile = true;
    } else {
      return Refused("extra operand '" + std::string(argument) + "'");
    }
  }
  if (!haveFile) return Refused("missing file operand");
  return line;
}

std::string HelpText() {
  return std::string("Usage: ") + kProgramName + " [OPTION]... FILE\n" +
         "Print, block by block, what the tuner's frequency, note and tuning labels would\n"
         "show for the recording FILE. With FILE -, read standard input.\n"
         "\n"
         "Any format libsndfile reads (WAV, FLAC, OGG, AU, W64 ...) at any sample rate the\n"
         "analysis can use; channels are mixed to one and rounded to 16-bit samples.\n"
         "Consecutive blocks of N samples are analysed; an incomplete last block is not.\n"
         "\n"
         "      --points=N   block size in samples: 1024, 2048 or 4096 (default 4096)\n"
         "      --a4=HZ      the reference pitch A4 in hertz, 400.0 to 480.0, taken to\n"
         "                     a tenth of a hertz (default 440.0); the notes and the\n"
         "                     tunings are named for it, the frequencies stay in hertz\n"
         "      --csv        comma-separated values with a header line and the\n"
         "                     unrounded frequency in hertz\n"
         "      --help       display this help and exit\n"
         "      --version    output version information and exit\n"
         "\n"
         "Exit status: 0 if every block was analysed, 1 if the recording could not be\n"
         "read, a block could not be analysed or the output could not be written,\n"
         "2 for a wrong command line.\n";
}

std::string VersionText(std::string_view version) {
  return std::string(kProgramName) + " (Corvandel Pitch Suite) " + std::string(version) + "\n";
}

std::string UsageErrorText(const std::string& error) {
  return std::string(kProgramName) + ": " + error + "\nTry '" + kProgramName +
         " --help' for more information.\n";
}
