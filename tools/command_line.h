// SPDX-License-Identifier: GPL-3.0-or-later
// The analyser's command line: options, help and version texts, and the wording of a
// usage error, after the GNU conventions (--help to standard output, exit 0; a usage
// error to standard error with a pointer to --help, exit 2).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/fundamental.h"

inline constexpr const char* kProgramName = "corvandel-analyze";
inline constexpr int kExitUsage = 2;

struct CommandLine {
  enum class Action { Analyse, ShowHelp, ShowVersion, Refuse };
  Action action = Action::Analyse;
  std::int32_t points = 4096;
  bool csv = false;
  FundamentalThresholds thresholds;  // the defaults, less any --threshold NAME=VALUE
  Decision decision = Decision::Rules;
  double pitchA4 = 440.0;  // the reference pitch the notes and tunings are named for
  std::string file;   // "-" is standard input
  std::string error;  // what is wrong with the command line, for Action::Refuse
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

std::string HelpText();
std::string VersionText(std::string_view version);
// The two lines a usage error prints: the problem and the pointer to --help.
std::string UsageErrorText(const std::string& error);
