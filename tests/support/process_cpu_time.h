// Processor time this process has used so far, user and system, in seconds: for tests
// that compare it with the time a wait or a run lasted.
#pragma once

double ProcessCpuSeconds();
