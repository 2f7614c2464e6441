// SPDX-License-Identifier: GPL-3.0-or-later
// Asking candidate devices whether they open, without letting one that never answers hold
// the caller. A device reached through a sound server that has stopped (a frozen
// PulseAudio, say) holds an open for half a minute before it fails; the device list is
// made before the window first shows, so the wait must be bounded.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

enum class ProbeAnswer { Opens, Refuses, NoAnswer };

struct ProbePatience {
  std::chrono::milliseconds each;  // how long one probe is waited for
  std::chrono::milliseconds all;   // no probe starts after this; the rest get NoAnswer
};

// Runs the probes one after another, in order (two at once could find one device busy
// with the other), each on a thread of its own. A probe that has not answered within its
// patience is left to finish on its thread, owning what it needs, and counts as NoAnswer:
// the device is there, but its sound system does not answer now.
std::vector<ProbeAnswer> ProbeDevices(std::vector<std::function<bool()>> probes,
                                      ProbePatience patience);
