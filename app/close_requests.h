// SPDX-License-Identifier: GPL-3.0-or-later
// Requests from outside the window to close it.
#pragma once

class QWidget;

// Makes the signals that ask a program to end (a session ending, `kill`, Ctrl-C in the
// terminal it was started from) close the window as its close button does, through the
// usual close path. A measurement is stopped first, and the window then closes.
void CloseOnTerminationRequests(QWidget& window);
