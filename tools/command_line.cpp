// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/command_line.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <utility>

#include "analysis/fundamental_threshold_names.h"
#include "analysis/note_naming.h"

namespace {

std::optional<std::int32_t> PointsFromText(std::string_view text) {
  if (text == "1024") return 1024;
  if (text == "2048") return 2048;
  if (text == "4096") return 4096;
  return std::nullopt;
}

// The value of a whole decimal number, finite; nothing otherwise.
std::optional<double> NumberFromText(std::string_view text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

// Sets one threshold from "NAME=VALUE"; the problem in one line, or nothing.
std::optional<std::string> SetThreshold(FundamentalThresholds& thresholds, std::string_view setting) {
  const auto equals = setting.find('=');
  if (equals == std::string_view::npos) return "invalid threshold '" + std::string(setting) + "' (NAME=VALUE)";
  const std::string_view name = setting.substr(0, equals);
  double* const threshold = ThresholdNamed(thresholds, name);
  if (threshold == nullptr) return "unknown threshold '" + std::string(name) + "'";
  const auto value = NumberFromText(setting.substr(equals + 1));
  if (!value)
    return "invalid value '" + std::string(setting.substr(equals + 1)) + "' for threshold '" + std::string(name) + "'";
  *threshold = *value;
  return std::nullopt;
}

// Whether the argument is the option, alone (its value follows) or as "--option=value".
bool TakesValue(std::string_view argument, std::string_view option) {
  return argument == option || (argument.starts_with(option) && argument.substr(option.size()).starts_with('='));
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
    } else if (isOption && (TakesValue(argument, "--threshold") || TakesValue(argument, "--points") ||
                            TakesValue(argument, "--decision") || TakesValue(argument, "--a4"))) {
      const std::string_view option = argument.substr(0, argument.find('='));
      std::string_view value;
      if (argument != option) {
        value = argument.substr(option.size() + 1);
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        return Refused("option '" + std::string(option) + "' requires an argument");
      }
      if (option == "--threshold") {
        if (const auto problem = SetThreshold(line.thresholds, value)) return Refused(*problem);
        continue;
      }
      if (option == "--a4") {
        const auto pitch = PitchA4FromText(value);
        if (!pitch) return Refused("invalid reference pitch '" + std::string(value) + "' (400.0 to 480.0 Hz)");
        line.pitchA4 = *pitch;
        continue;
      }
      if (option == "--decision") {
        if (value != "rules" && value != "scored")
          return Refused("invalid decision '" + std::string(value) + "' (rules or scored)");
        line.decision = value == "scored" ? Decision::Scored : Decision::Rules;
        continue;
      }
      const auto points = PointsFromText(value);
      if (!points) return Refused("invalid number of points '" + std::string(value) + "' (1024, 2048 or 4096)");
      line.points = *points;
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
         "      --csv        comma-separated values with a header line, the unrounded\n"
         "                     frequency in hertz and why a block gave no reading\n"
         "      --decision=rules|scored\n"
         "                   which fundamental decision names the note (default rules;\n"
         "                     scored is measured beside it)\n"
         "      --threshold NAME=VALUE\n"
         "                   set one threshold of the fundamental decision, named as\n"
         "                     in FundamentalThresholds (repeatable)\n"
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
