// SPDX-License-Identifier: GPL-3.0-or-later
// ALSA prints its own complaints (a missing card, an absent sound server) to stderr while
// devices are probed and opened; the tuner has nothing to show them to.
#pragma once

// Sets a process-wide handler that drops them; call it before any other call into ALSA.
void SilenceAlsaMessages();
