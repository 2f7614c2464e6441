// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/alsa/alsa_messages.h"

#include <alsa/asoundlib.h>

namespace {

void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void SilenceAlsaMessages() {
  static const bool silenced = (snd_lib_error_set_handler(IgnoreAlsaMessage), true);
  (void)silenced;
}
