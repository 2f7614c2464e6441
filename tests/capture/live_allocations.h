// SPDX-License-Identifier: GPL-3.0-or-later
// Counts the heap blocks the test program holds, by replacing the global allocation
// functions, so a test can see memory that a loop keeps without reading the process's
// resident size (which the allocator and the sanitizers blur).
#pragma once

#include <cstdint>

// Blocks from operator new not yet given back.
std::int64_t LiveAllocations();
