// SPDX-License-Identifier: GPL-3.0-or-later
// The skinned look: a skin file beside the program switches the window, its frames and
// labels to the button-face colour and hands the window to the skin engine.
#pragma once

class Form1;

// Changes nothing when there is no skin file; errors pass to the caller.
void ApplySkin(Form1& form);
