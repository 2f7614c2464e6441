// Requests from outside the window to close it.
#pragma once

class QWidget;

// Makes the signals that ask a program to end (a session ending, `kill`, Ctrl-C in the
// terminal it was started from) close the window as its close button does: a measurement
// is stopped and the program ends through the usual close path.
void CloseOnTerminationRequests(QWidget& window);
