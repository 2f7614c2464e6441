// SPDX-License-Identifier: GPL-3.0-or-later
// The capture devices the ALSA backend offers: the system's default capture device first,
// then each capture device of each sound card once (opened through ALSA's plug layer),
// then the capture PCMs that the configuration names for people to see (its "hint"
// entries), leaving out sound servers and converter plugins, which the default entry
// already reaches.
//
// A device that refuses to open for capture is left out. One whose open has not answered
// within a bound is listed all the same: a stopped sound server holds an open for half a
// minute, and the device is there all the same. The list is made before the window first
// shows, so it must not wait that long, nor tell the user there is no microphone; a start
// while the server is still stuck is refused like any device that does not open.
#pragma once

#include <string>
#include <vector>

struct AlsaCaptureDevice {
  std::string pcmName;      // what snd_pcm_open is given
  std::string description;  // what the device list shows, UTF-8
};

// The devices in list order, within about a second and a half however the sound system
// answers.
std::vector<AlsaCaptureDevice> ListAlsaCaptureDevices();
