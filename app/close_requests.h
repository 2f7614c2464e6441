// SPDX-License-Identifier: GPL-3.0-or-later
// Requests from outside the window to close it.
#pragma once

class QWidget;

// Takes the signals that ask a program to end (a session ending, `kill`, Ctrl-C in the
// terminal it was started from) as requests to close from here on, kept until a window
// takes them. Called first, so that no signal can end the program unasked while start-up
// lists the devices or shows a dialog.
void CatchTerminationRequests();

// Makes those requests close the window as its close button does, through the usual close
// path: a measurement is stopped first, and the window then closes. A request that comes
// before the window is shown, while start-up runs, closes the dialog start-up shows and
// any it shows after it; start-up then ends and the window is not shown.
void CloseOnTerminationRequests(QWidget& window);

// True once a termination request has come.
bool TerminationRequested();
