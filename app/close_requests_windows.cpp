// SPDX-License-Identifier: GPL-3.0-or-later
// Windows asks a program to end through window messages, which Qt already turns into
// close requests to the window; nothing more is needed.
#include "app/close_requests.h"

void CatchTerminationRequests() {}

void CloseOnTerminationRequests(QWidget&) {}

bool TerminationRequested() { return false; }
