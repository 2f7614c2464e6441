// SPDX-License-Identifier: GPL-3.0-or-later
// The reference pitch A4 the player tunes to, remembered per user beside the FFT size:
// one more value in the same store, as decimal text in hertz ("442.0").
#pragma once

class SettingsStore;

inline constexpr const char* kReferencePitchKey = "ReferencePitchA4";

// The stored pitch; 440.0 when none is stored, and also, with a warning on the console,
// when the stored text is no pitch from 400.0 to 480.0 Hz. The stored text is left as
// it is until the player sets a pitch.
double StoredReferencePitch(SettingsStore& settings);

void StoreReferencePitch(SettingsStore& settings, double pitchA4);
